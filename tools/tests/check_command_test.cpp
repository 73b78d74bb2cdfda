// `quenby check` on a deployment made by the sample generator, broken one way
// at a time; and the host calculation on the same broken deployment, which
// must leave its reasons in Pellmar.err and Torvane.err.
#include "check_command.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <tuple>

#include "common/platform.h"
#include "pellmar_run_command.h"
#include "common/text_file.h"
#include "sample_folder.h"

namespace tools {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;

#if defined(TOOLS_TEST_TORVANE) && defined(TOOLS_TEST_ENGINE) && defined(TOOLS_TEST_ADAPTER)

// Names, sizes and times of every file under folder.
std::map<std::string, std::tuple<uintmax_t, fs::file_time_type>> Snapshot(const std::string& folder) {
  std::map<std::string, std::tuple<uintmax_t, fs::file_time_type>> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) files[fs::relative(e.path(), folder).string()] = {e.file_size(), e.last_write_time()};
  return files;
}

int32_t HostCalculation(const std::string& folder);

void CopyDeployment(const fs::path& from, const std::string& folder) {
  for (const char* part : {"Control.dat", "inputs.txt"}) fs::copy_file(from / part, fs::path(folder) / part);
  fs::create_directories(fs::path(folder) / "projects");
  for (const auto& entry : fs::directory_iterator(from / "projects")) {
    const fs::path to = fs::path(folder) / "projects" / entry.path().filename();
    fs::copy_file(entry.path(), to);
    fs::last_write_time(to, entry.last_write_time());  // compiled files stay newer than their projects
  }
  for (const char* file : {TOOLS_TEST_ENGINE, TOOLS_TEST_ADAPTER, TOOLS_TEST_TORVANE})
    fs::copy_file(file, fs::path(folder) / fs::path(file).filename());
}

// A deployment whose projects are compiled already (once per test program:
// a compilation is the slow part, under Wine above all); a case that needs
// one removes the compiled file.
std::string Deployment(const std::string& tag) {
  static const std::string compiled = [] {
    const std::string folder = testing::FreshFolder("check-compiled");
    CopyDeployment(testing::SampleFolder(), folder);
    EXPECT_EQ(HostCalculation(folder), 0);
    return folder;
  }();
  const std::string folder = testing::FreshFolder("check-" + tag);
  CopyDeployment(compiled, folder);
  return folder;
}

void SetControlLine(const std::string& folder, size_t line, const std::string& text) {
  std::string control = ReadText(folder + "/Control.dat"), out;
  std::istringstream in(control);
  size_t n = 0;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out += (++n == line ? text : l) + "\r\n";
  }
  common::WriteFileReplacing(folder + "/Control.dat", out);
}

void RemoveProject(const std::string& folder, const std::string& name, const char* suffix = nullptr) {
  for (const auto& e : fs::directory_iterator(folder + "/projects")) {
    const std::string file = e.path().filename().string();
    if (file.rfind(name + ".", 0) == 0 && (!suffix || e.path().extension() == suffix)) fs::remove(e.path());
  }
}

// One host calculation through the deployment's own adapter, as the host
// makes it: from inside the folder, with the demo case.
int32_t HostCalculation(const std::string& folder) {
  common::SharedLibrary adapter;
  EXPECT_TRUE(adapter.Open(folder + "/" + fs::path(TOOLS_TEST_ADAPTER).filename().string())) << adapter.Error();
  auto call = reinterpret_cast<void (*)(int32_t, int32_t*, double*, double*)>(adapter.Resolve("interface_function"));
  std::vector<double> in(511, 0.0), out(400, 0.0);
  in[0] = 1;
  std::istringstream inputs(ReadText(folder + "/inputs.txt"));
  for (size_t k = 1; k <= 510; ++k) inputs >> in[k];
  const fs::path before = fs::current_path();
  fs::current_path(folder);
  int32_t status = -1;
  call(1, &status, in.data(), out.data());
  fs::current_path(before);
  return status;
}

struct Broken {
  const char* name;
  std::function<void(const std::string&)> breakIt;
  std::string finding;    // the line `quenby check` must print
  std::string hostReason; // what Pellmar.err must name ("" : the calculation succeeds)
};

TEST(QuenbyCheck, NamesEachFaultAndLeavesTheFolderAsItWas) {
  const std::string driver = fs::path(TOOLS_TEST_TORVANE).filename().string();
  const std::vector<Broken> cases = {
      {"intact", [](const std::string&) {}, "ok  one host calculation in a temporary copy: status 0", ""},
      {"project files missing", [](const std::string& f) { RemoveProject(f, "Well"); },
       "error  network C (Control.dat line 6, projects/Well): neither a compiled file", "projects/Well"},
      {"project path misspelt", [](const std::string& f) { SetControlLine(f, 4, "projects/Sprung"); },
       "error  network B (Control.dat line 4, projects/Sprung): neither", "Control.dat line 4, projects/Sprung"},
      {"case count 0", [](const std::string& f) { SetControlLine(f, 10, "0"); },
       "Control.dat line 10: the case count is 0", "Control.dat, line 10"},
      {"case count 400", [](const std::string& f) { SetControlLine(f, 10, "400"); },
       "Control.dat line 10: 400 cases need 40000 rows", "400 cases of Control.dat line 10"},
      {"network reads more columns than built", [](const std::string& f) { SetControlLine(f, 8, "projects/SourceZone"); },
       "error  the first-stage network (Control.dat line 8, projects/SourceZone) reads 55 columns; the driver builds 40",
       "Control.dat line 8, projects/SourceZone"},
      {"network A with one output", [](const std::string& f) { SetControlLine(f, 2, "projects/Well"); },
       "error  network A (Control.dat line 2, projects/Well) has 1 output; the cascade needs 2", "Control.dat line 2, projects/Well"},
      {"no weight file",
       [](const std::string& f) {
         RemoveProject(f, "Spring", ".net");
         RemoveProject(f, "Spring", ".DLLFile");
       },
       "error  no weight file ", "projects/Spring has no back-propagation network"},
      {"compiled file older than its project file",
       [](const std::string& f) {
         ASSERT_EQ(HostCalculation(f), 0);
         fs::last_write_time(f + "/projects/Well.net", fs::last_write_time(f + "/projects/Well.DLLFile") + std::chrono::hours(1));
       },
       "WELL.DLLFile is older than WELL.net: the engine keeps using", ""},
      {"general regression never calibrated",
       [](const std::string& f) {
         std::string grn = ReadText(f + "/projects/Arrival.grn");
         const size_t line2 = grn.find('\n') + 1;
         grn.replace(line2, grn.find('\r', line2) - line2, "*** Hold Out ***");
         common::WriteFileReplacing(f + "/projects/Arrival.grn", grn);
         RemoveProject(f, "Arrival", ".DLLFile");
       },
       "warning  ARRIVAL.grn was never calibrated (\"Run the GRNN first\")", ""},
      {"no driver", [driver](const std::string& f) { fs::remove(f + "/" + driver); }, driver + " is missing", "the driver"},
  };
  for (const Broken& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = Deployment("case");
    c.breakIt(folder);
    const auto before = Snapshot(folder);
    std::ostringstream out, err;
    const int code = RunCheck({"--inputs", folder + "/inputs.txt", folder}, out, err);
    std::string finding = c.finding;
    // Project paths as the check joins them.
    for (const char* name : {"Well", "Arrival"}) {
      std::string placeholder = name;
      for (char& ch : placeholder) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      for (size_t at; (at = finding.find(placeholder)) != std::string::npos;)
        finding.replace(at, placeholder.size(), (fs::path(folder) / (std::string("projects/") + name)).string());
    }
    EXPECT_NE(out.str().find(finding), std::string::npos) << out.str() << err.str();
    EXPECT_EQ(code, c.hostReason.empty() ? 0 : 1) << out.str();
    EXPECT_EQ(Snapshot(folder), before) << "the check changed the folder";

    // The host on the same folder: the reason stays behind, and the next
    // good calculation clears it.
    const int32_t status = HostCalculation(folder);
    EXPECT_EQ(status, c.hostReason.empty() ? 0 : 1);
    if (!c.hostReason.empty()) {
      EXPECT_NE(ReadText(folder + "/Pellmar.err").find(c.hostReason), std::string::npos) << ReadText(folder + "/Pellmar.err");
      EXPECT_EQ(fs::exists(folder + "/Torvane.err"), c.hostReason != "the driver");
      const std::string fixed = Deployment("fixed");
      fs::copy_file(folder + "/Pellmar.err", fixed + "/Pellmar.err");
      if (fs::exists(folder + "/Torvane.err")) fs::copy_file(folder + "/Torvane.err", fixed + "/Torvane.err");
      EXPECT_EQ(HostCalculation(fixed), 0);
      EXPECT_FALSE(fs::exists(fixed + "/Pellmar.err"));
      EXPECT_FALSE(fs::exists(fixed + "/Torvane.err"));
    } else {
      EXPECT_FALSE(fs::exists(folder + "/Pellmar.err"));
    }
  }
}

// The precision report is pellmar-run's, line for line, as warnings.
TEST(QuenbyCheck, InputsReportWhatTheFourDecimalsChange) {
  const std::string folder = Deployment("precision");
  std::string inputs = ReadText(folder + "/inputs.txt");
  inputs.replace(inputs.find('\n') + 1, inputs.find('\n', inputs.find('\n') + 1) - inputs.find('\n'), "0.00002\r\n");
  common::WriteFileReplacing(folder + "/tiny.txt", inputs);
  std::ostringstream out, err;
  EXPECT_EQ(RunCheck({"--inputs", folder + "/tiny.txt", folder}, out, err), 0) << out.str() << err.str();

  const fs::path before = fs::current_path();
  std::ostringstream runOut, runErr;
  EXPECT_EQ(RunPellmar({"--dir", folder, folder + "/tiny.txt"}, runOut, runErr), 0) << runErr.str();
  fs::current_path(before);
  std::string expected;
  std::istringstream lines(runErr.str());
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("pellmar-run: precision: ", 0) == 0) expected += "warning  --inputs: " + line.substr(13) + "\n";
  EXPECT_EQ(expected,
            "warning  --inputs: precision: host variable 2: 0.00002 reaches the driver as 0.0000\n"
            "warning  --inputs: precision: \"inputvars.dat\" keeps four decimals: 1 host input reaches the driver changed by more "
            "than a part in a million\n");
  EXPECT_NE(out.str().find(expected), std::string::npos) << out.str();
}

#endif

TEST(QuenbyCheck, UsageAndAFolderThatIsNone) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCheck({"--frob"}, out, err), 2);
  EXPECT_NE(err.str().find("unknown option --frob"), std::string::npos);
  std::ostringstream out2, err2;
  EXPECT_EQ(RunCheck({testing::FreshFolder("check-empty") + "/nowhere"}, out2, err2), 1);
  EXPECT_NE(out2.str().find("is not a folder"), std::string::npos) << out2.str();
}

}  // namespace
}  // namespace tools
