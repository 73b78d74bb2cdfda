// Faults of the files around a calculation: exchange files missing,
// replaced by a folder or truncated, a read-only working folder, the file
// size limit reached while writing, an unwritable project folder, and
// tables as large as the counts allow under an address-space limit. Each
// ends with a clear error, and no earlier complete file is damaged.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "quenby.h"
#include "reliability_support.h"
#include "small_project.h"

namespace reliability {
namespace {

namespace fs = std::filesystem;

constexpr double kUntouched = -7777.0;  // what the host program puts in out[] before a call

// A deployed folder after one complete calculation.
class Deployed : public ::testing::Test {
 protected:
  void SetUp() override {
    Deploy(folder_, 4, 1);
    HostCall first = Host(1);
    ASSERT_EQ(first.status, 0);
    result_ = first.out;
    outfile_ = ReadText(folder_.File("outfile.dat"));
    trashy_ = ReadText(folder_.File("trashy.dat"));
    ASSERT_FALSE(outfile_.empty());
    ASSERT_FALSE(trashy_.empty());
  }

  HostCall Host(unsigned seed, bool clear = false, const Limits& limits = {}) {
    const std::string report = fs::temp_directory_path() / ("quenby-h-report-" + std::to_string(getpid()));
    std::vector<std::string> args{std::to_string(seed), "1", report};
    if (clear) args.push_back("clear");
    ProgramRun run = RunProgram(folder_.File(kHostProgramName), args, folder_.Path(), limits);
    EXPECT_EQ(run.exitCode, 0) << "the host ended: " << run.errorText;
    hostErrors_ = run.errorText;
    std::vector<HostCall> calls = ReadHostReport(report);
    fs::remove(report);
    if (calls.size() != 1) {
      ADD_FAILURE() << "no report from the host";
      return {};
    }
    return calls[0];
  }

  ProgramRun Driver(const Limits& limits = {}) {
    return RunProgram(folder_.File("Torvane"), {}, folder_.Path(), limits);
  }

  void ExpectUntouched(const HostCall& call) {
    ASSERT_EQ(call.out.size(), 400u);
    for (double v : call.out) ASSERT_EQ(v, kUntouched);
  }
  void ExpectEarlierFilesKept() {
    EXPECT_EQ(ReadText(folder_.File("outfile.dat")), outfile_);
    EXPECT_EQ(ReadText(folder_.File("trashy.dat")), trashy_);
  }

  Folder folder_;
  std::vector<double> result_;
  std::string outfile_, trashy_, hostErrors_;
};

TEST_F(Deployed, InputVarsReplacedByAFolder) {
  fs::remove(folder_.File("inputvars.dat"));
  fs::create_directory(folder_.File("inputvars.dat"));
  HostCall call = Host(2);
  EXPECT_EQ(call.status, 1);
  ExpectUntouched(call);
  ExpectEarlierFilesKept();
}

TEST_F(Deployed, OutfileReplacedByAFolder) {
  fs::remove(folder_.File("outfile.dat"));
  fs::create_directory(folder_.File("outfile.dat"));
  for (bool clear : {true, false}) {
    HostCall call = Host(2, clear);
    EXPECT_EQ(call.status, 1) << "clear " << clear;
    ExpectUntouched(call);
  }
  EXPECT_TRUE(fs::is_directory(folder_.File("outfile.dat")));
}

TEST_F(Deployed, OutfileTruncatedOrMissing) {
  // Cut at a line start: a cut inside a line leaves a shorter number.
  const size_t lastLine = outfile_.rfind("\r\n", outfile_.size() - 3) + 2;
  for (size_t cut : {size_t{0}, outfile_.rfind("\r\n", outfile_.size() / 2) + 2, lastLine}) {
    WriteText(folder_.File("outfile.dat"), outfile_.substr(0, cut));
    HostCall call = Host(2, true);
    EXPECT_EQ(call.status, 1) << "cut at " << cut;
    ExpectUntouched(call);
    EXPECT_EQ(ReadText(folder_.File("outfile.dat")), outfile_.substr(0, cut)) << "the adapter changed it";
  }
  fs::remove(folder_.File("outfile.dat"));
  HostCall call = Host(2, true);
  EXPECT_EQ(call.status, 1);
  ExpectUntouched(call);
  EXPECT_TRUE(IsFile(folder_.File("outfile.dat")));
  // And a complete file again gives the earlier results exactly.
  WriteText(folder_.File("outfile.dat"), outfile_);
  EXPECT_EQ(Host(2, true).out, result_);
}

TEST_F(Deployed, DriverInputFilesMissingTruncatedOrFolders) {
  const std::string control = ReadText(folder_.File("Control.dat"));
  const std::string inputvars = ReadText(folder_.File("inputvars.dat"));
  struct Fault {
    const char* file;
    const char* what;
    std::string text;  // "" with folder false: missing
    bool folder;
  };
  const Fault faults[] = {
      {"Control.dat", "missing", "", false},
      {"Control.dat", "folder", "", true},
      {"Control.dat", "cut in line 10", control.substr(0, control.size() - 3), false},
      {"Control.dat", "cut in line 5", control.substr(0, control.find("Network C")), false},
      {"inputvars.dat", "missing", "", false},
      {"inputvars.dat", "folder", "", true},
      {"inputvars.dat", "cut", inputvars.substr(0, inputvars.size() / 2), false},
      {"inputvars.dat", "last line cut", inputvars.substr(0, inputvars.size() - 17), false},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(std::string(f.file) + " " + f.what);
    fs::remove_all(folder_.File(f.file));
    if (f.folder)
      fs::create_directory(folder_.File(f.file));
    else if (!f.text.empty())
      WriteText(folder_.File(f.file), f.text);
    ProgramRun run = Driver();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find(f.file), std::string::npos) << run.errorText;
    EXPECT_EQ(std::count(run.errorText.begin(), run.errorText.end(), '\n'), 1) << run.errorText;
    ExpectEarlierFilesKept();
    fs::remove_all(folder_.File(f.file));
    WriteText(folder_.File("Control.dat"), control);
    WriteText(folder_.File("inputvars.dat"), inputvars);
  }
}

TEST_F(Deployed, ReadOnlyWorkingFolder) {
  GiveToUnprivileged(folder_.Path());
  Limits user;
  user.unprivileged = true;
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0555), 0);
  // "inputvars.dat" can still be written in place, but the driver cannot
  // create its results beside it.
  HostCall call = Host(2, false, user);
  EXPECT_EQ(call.status, 1);
  ExpectUntouched(call);
  ExpectEarlierFilesKept();
  // Without an "inputvars.dat" to write in place the calculation stops at once.
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0755), 0);
  fs::remove(folder_.File("inputvars.dat"));
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0555), 0);
  call = Host(3, false, user);
  EXPECT_EQ(call.status, 1);
  ExpectUntouched(call);
  ExpectEarlierFilesKept();
  // The earlier results are still handed back with the run flag clear.
  EXPECT_EQ(Host(3, true, user).out, result_);
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0755), 0);
}

// One host call made in a child process (the adapter loaded there).
struct HostInChild {
  std::string folder;
  unsigned seed;
};

using InterfaceFunction = void (*)(int32_t, int32_t*, double*, double*);

int CallInChild(void* context, std::string& message) {
  auto* host = static_cast<HostInChild*>(context);
  if (chdir(host->folder.c_str()) != 0) return 100;
  void* adapter = dlopen("./libPellmar.so", RTLD_NOW | RTLD_LOCAL);
  if (!adapter) return 101;
  auto call = reinterpret_cast<InterfaceFunction>(dlsym(adapter, "interface_function"));
  std::vector<double> in = HostInputs(host->seed), out(400, kUntouched);
  int32_t status = -5;
  call(1, &status, in.data(), out.data());
  bool untouched = true;
  for (double v : out) untouched = untouched && v == kUntouched;
  message = untouched ? "untouched" : "changed";
  return status;
}

TEST_F(Deployed, FileSizeLimitReachedWhileWriting) {
  Limits small;
  small.fileSizeBytes = static_cast<long>(outfile_.size() / 2);
  WriteText(folder_.File("inputvars.dat"), InputVarsText(1, 5));
  ProgramRun run = Driver(small);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorText.find("outfile.dat"), std::string::npos) << run.errorText;
  EXPECT_EQ(ReadText(folder_.File("outfile.dat")), outfile_);
  const std::string trashy = ReadText(folder_.File("trashy.dat"));  // small enough to be new
  // The host under the same limit, which the driver inherits; the host
  // makes its call in a child so that its own report is not limited.
  // (its "outfile.dat" is smaller than "inputvars.dat", so the adapter's
  // write is the one that meets the limit).
  small.fileSizeBytes = 4000;
  HostInChild host{folder_.Path(), 5};
  ChildRun child = RunInChild(&CallInChild, &host, small);
  ASSERT_TRUE(child.ended) << "the host ended: " << child.message;
  EXPECT_EQ(child.exitCode, 1);
  EXPECT_EQ(child.message, "untouched");
  EXPECT_EQ(ReadText(folder_.File("outfile.dat")), outfile_);
  EXPECT_EQ(ReadText(folder_.File("trashy.dat")), trashy);
  // The reports of both failures, and nothing else.
  EXPECT_EQ(ReadText(folder_.File("Pellmar.err")).rfind("severe (38): error during write, unit 12", 0), 0u);
  EXPECT_NE(ReadText(folder_.File("Torvane.err")).find("outfile.dat"), std::string::npos);
  EXPECT_EQ(FilesOtherThan(folder_.Path(), {"Torvane", "libQuenby.so", "libPellmar.so", kHostProgramName,
                                            "netA.DLLFile", "netB.DLLFile", "netC.DLLFile", "netFirst.DLLFile",
                                            "Control.dat", "inputvars.dat", "outfile.dat", "trashy.dat",
                                            "Pellmar.err", "Torvane.err"}),
            std::vector<std::string>{});
}

// Compilation of the small project in a child process under limits.
struct CompileJob {
  std::string project;
  bool apply = false;  // ApplyNNet instead of CreatDllFile
};

int CompileInChild(void* context, std::string& message) {
  auto* job = static_cast<CompileJob*>(context);
  int32_t status = 0;
  if (job->apply) {
    std::vector<double> cells(4 * 4, 1.0);
    QuenbyTable in{cells.data(), 0, 3, 0, 3}, out{};
    status = ApplyNNet("Back Prop", job->project.c_str(), &in, &out);
    QuenbyFreeTable(&out);
  } else {
    status = CreatDllFile(job->project.c_str());
  }
  message = QuenbyLastError();
  return status;
}

class ProjectFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    job_.project = folder_.File("net");
    for (const auto& [suffix, text] : SmallProjectFiles()) WriteText(job_.project + suffix, text);
  }
  Folder folder_;
  CompileJob job_;
};

TEST_F(ProjectFolder, UnwritableWhenTheCompiledFileMustBeWritten) {
  GiveToUnprivileged(folder_.Path());
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0555), 0);
  Limits user;
  user.unprivileged = true;
  for (bool apply : {true, false}) {
    job_.apply = apply;
    ChildRun run = RunInChild(&CompileInChild, &job_, user);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, QUENBY_FILE_ERROR) << run.message;
    EXPECT_NE(run.message.find("net.DLLFile"), std::string::npos) << run.message;
    EXPECT_FALSE(IsFile(job_.project + ".DLLFile"));
  }
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0755), 0);
  // An earlier compiled file in a folder that became read-only stays whole.
  const std::string earlier = "*** General Project Info ***\r\nearlier\r\n";
  WriteText(job_.project + ".DLLFile", earlier);
  GiveToUnprivileged(folder_.Path());
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0555), 0);
  job_.apply = false;
  ChildRun run = RunInChild(&CompileInChild, &job_, user);
  EXPECT_EQ(run.exitCode, QUENBY_FILE_ERROR) << run.message;
  EXPECT_EQ(ReadText(job_.project + ".DLLFile"), earlier);
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0755), 0);
}

TEST_F(ProjectFolder, FileSizeLimitReachedWhileCompiling) {
  const std::string earlier = "*** General Project Info ***\r\nearlier\r\n";
  WriteText(job_.project + ".DLLFile", earlier);
  Limits small;
  small.fileSizeBytes = 200;
  ChildRun run = RunInChild(&CompileInChild, &job_, small);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, QUENBY_FILE_ERROR) << run.message;
  EXPECT_NE(run.message.find("net.DLLFile"), std::string::npos) << run.message;
  EXPECT_EQ(ReadText(job_.project + ".DLLFile"), earlier);
  std::vector<std::string> keep{"net.DLLFile"};
  for (const auto& [suffix, text] : SmallProjectFiles()) keep.push_back("net" + suffix);
  EXPECT_EQ(FilesOtherThan(folder_.Path(), keep), std::vector<std::string>{});
}

// A project file that is a folder (a slip when copying a project) gives a
// clean failure naming it, never "out of memory" or a crash.
TEST_F(ProjectFolder, ProjectFileThatIsAFolder) {
  std::vector<std::string> suffixes{".DLLFile"};
  for (const auto& [suffix, text] : SmallProjectFiles()) suffixes.push_back(suffix);
  for (const std::string& suffix : suffixes) {
    SCOPED_TRACE(suffix);
    for (const auto& [s, text] : SmallProjectFiles()) WriteText(job_.project + s, text);
    fs::remove_all(job_.project + ".DLLFile");
    fs::remove(job_.project + suffix);
    fs::create_directory(job_.project + suffix);
    job_.apply = true;
    std::string message;
    int status = CompileInChild(&job_, message);
    EXPECT_NE(status, QUENBY_OK);
    EXPECT_NE(status, QUENBY_OUT_OF_MEMORY) << message;
    EXPECT_NE(message.find("net" + suffix), std::string::npos) << message;
    fs::remove_all(job_.project + suffix);
  }
}

// Lines joined, each ended by CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

// Each file asks for tables as large as its 16-bit and 32-bit counts allow
// and then ends: under a 1 GiB address space the engine must say so
// (end of file, or out of memory) rather than fail to allocate or crash.
TEST_F(ProjectFolder, LargestCountsUnderAnAddressSpaceLimit) {
#ifdef QUENBY_SANITIZED
  GTEST_SKIP() << "the sanitizers' shadow memory does not fit a 1 GiB address space";
#endif
  ASSERT_EQ(CreatDllFile(job_.project.c_str()), QUENBY_OK) << QuenbyLastError();
  const std::string compiled = ReadText(job_.project + ".DLLFile");
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::string big16 = "32767", big32 = "2147483647";
  struct Case {
    const char* name;
    std::string suffix, text;
  };
  const std::vector<Case> cases = {
      {"compiled: variables", ".DLLFile", replaced(compiled, " 4  3  1 \r\n", " 32000  16000  16000 \r\n")},
      {"compiled: clusters", ".DLLFile", replaced(compiled, " 2  2 Conv", " 32000  32767 Conv")},
      {"compiled: hidden neurons", ".DLLFile", replaced(compiled, "False 1  2 ", "False 1  32766 ")},
      {"compiled: slabs", ".DLLFile", replaced(compiled, "False 1  2 ", "True 16383  16383 ")},
      {"compiled: patterns", ".DLLFile", replaced(compiled, " 0.3  3 ", " 0.3  " + big32 + " ")},
      {"data: records and variables", ".dat", Lines({"Training data", big32, big16, "Titles", "a"})},
      {"clustering: centres", ".clu",
       Lines({"Clustering", "**** Scenarios ***", "S1", "1", "1", "0", "0", "**** Conv Scenarios Result ***", "S1",
              big16, big16, "1", "**** Selected Conv Scenario ***", "S1"})},
      {"back-propagation: weights", ".net",
       Lines({"Network", "*** BKP Information ***", "32766", "u1", "u2", "u3", "u4", "True", "u5",
              "*** Initial Weights ***", "*** Best Weights ***", "32766", "0.5"})},
      {"back-propagation: slabs", ".net",
       Lines({"Network", "*** BKP Information ***", "2", "u1", "u2", "u3", "u4", "False", "u5", big16, "Logistic",
              "*** Initial Weights ***"})},
      {"general regression: genetic factors", ".grn",
       Lines({"GRNN", "Genetic", "*** Genetic ***", big32, big16, "0.5"})},
      {"general regression: patterns", ".grn",
       Lines({"GRNN", "Holdout", "*** Hold Out ***", "0.3", "*** Trainag set ***", big32, big16, "1"})},
  };
  Limits memory;
  memory.addressSpaceBytes = 1L << 30;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [suffix, text] : SmallProjectFiles()) WriteText(job_.project + suffix, text);
    fs::remove(job_.project + ".DLLFile");
    WriteText(job_.project + c.suffix, c.text);
    job_.apply = true;
    ChildRun run = RunInChild(&CompileInChild, &job_, memory);
    ASSERT_TRUE(run.ended) << "the engine crashed or hung";
    EXPECT_TRUE(run.exitCode == QUENBY_END_OF_FILE || run.exitCode == QUENBY_OUT_OF_MEMORY)
        << "status " << run.exitCode << ": " << run.message;
    EXPECT_FALSE(run.message.empty());
  }
}

}  // namespace
}  // namespace reliability
