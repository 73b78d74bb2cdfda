#include "pellmar_run_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "common/text_file.h"
#include "csv_table.h"
#include "sample_folder.h"

namespace tools {
namespace {

namespace fs = std::filesystem;
using testing::FreshFolder;
using testing::ReadText;
using testing::Sample;

struct Outcome {
  int code;
  std::string out, err;
};

// pellmar-run changes into --dir; every test gets the folder back.
Outcome Pellmar(const std::vector<std::string>& args) {
  const fs::path before = fs::current_path();
  std::ostringstream out, err;
  int code = RunPellmar(args, out, err);
  fs::current_path(before);
  return {code, out.str(), err.str()};
}

#if defined(TOOLS_TEST_TORVANE) && defined(TOOLS_TEST_ENGINE) && defined(TOOLS_TEST_ADAPTER)

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// A working folder as a deployment holds it: the three deliverables,
// "Control.dat" and the projects.
std::string WorkingFolder(const std::string& tag, bool withDriver = true) {
  std::string folder = FreshFolder(tag);
  // File by file: the MinGW library refuses a recursive copy into a folder that exists.
  const fs::path from = testing::SampleFolder();
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    fs::path to = fs::path(folder) / fs::relative(entry.path(), from);
    if (entry.is_directory()) fs::create_directories(to);
    else fs::copy_file(entry.path(), to, fs::copy_options::overwrite_existing);
  }
  for (const char* file : {TOOLS_TEST_ENGINE, TOOLS_TEST_ADAPTER}) fs::copy_file(file, fs::path(folder) / fs::path(file).filename());
  if (withDriver) fs::copy_file(TOOLS_TEST_TORVANE, fs::path(folder) / fs::path(TOOLS_TEST_TORVANE).filename());
  return folder;
}

TEST(PellmarRun, DemoCalculationGivesTheExpectedSeriesAndChart) {
  const std::string folder = WorkingFolder("demo");
  Outcome r = Pellmar({"--dir", folder, "--csv", "--svg", folder + "/chart.svg", folder + "/inputs.txt"});
  ASSERT_EQ(r.code, 0) << r.err;
  CsvTable got = ParseCsv(r.out, "stdout"), expected = ReadCsvFile(Sample("checks/demo-expected.csv"));
  EXPECT_EQ(got.header, expected.header);
  ASSERT_EQ(got.rows.size(), 100u);
  for (size_t s = 0; s < 100; ++s)
    for (size_t j = 0; j < 5; ++j)
      EXPECT_NEAR(got.rows[s][j], expected.rows[s][j], 1e-12 * std::max(1.0, std::fabs(expected.rows[s][j]))) << s + 1 << " " << j;
  std::string svg = ReadText(folder + "/chart.svg");
  EXPECT_NE(svg.find("Well concentration (mg/L)"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  EXPECT_EQ(Lines(ReadText(folder + "/outfile.dat")), 400u);

  Outcome table = Pellmar({"--dir", folder, folder + "/inputs.txt"});
  ASSERT_EQ(table.code, 0) << table.err;
  EXPECT_NE(table.out.find("Spring discharge (L/s)"), std::string::npos);
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 101);
}

TEST(PellmarRun, MissingDriverIsAFailedCalculation) {
  const std::string folder = WorkingFolder("nodriver", false);
  Outcome r = Pellmar({"--dir", folder, folder + "/inputs.txt"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("is not ready, nothing was calculated: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(fs::path(TOOLS_TEST_TORVANE).filename().string() + " is missing"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fs::exists(folder + "/inputvars.dat"));  // refused before the adapter ran
}

#endif

TEST(PellmarRun, SeriesTitlesComeFromTheProjectsOrPlainNames) {
  EXPECT_EQ(SeriesTitles(testing::SampleFolder()), (std::vector<std::string>{"Source concentration (mg/L)", "Water table depth (m)",
                                                                             "Well concentration (mg/L)", "Spring discharge (L/s)"}));
  EXPECT_EQ(SeriesTitles(FreshFolder("empty"))[3], "Network B output 1");
}

TEST(PellmarRun, ErrorsAreOneLineWithExitCodes) {
  const std::string folder = FreshFolder("run-errors");
  common::WriteFileReplacing(folder + "/short.txt", "1\n2\n");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string part;
  } cases[] = {
      {{}, 2, "expected one INPUTS file, found 0"},
      {{"a", "b"}, 2, "expected one INPUTS file, found 2"},
      {{"--svg"}, 2, "--svg needs a value"},
      {{"--frob", "x"}, 2, "unknown option --frob"},
      {{folder + "/none.txt"}, 1, "cannot open the host inputs (" + folder + "/none.txt)"},
      {{folder + "/short.txt"}, 1, "expected 510 host inputs, found 2 (" + folder + "/short.txt)"},
      {{"--dir", folder + "/nowhere", Sample("inputs.txt")}, 1, "cannot enter the working folder"},
      {{"--library", folder + "/libNothing.so", Sample("inputs.txt")}, 1, "cannot load the adapter library " + folder + "/libNothing.so"},
  };
  for (const auto& c : cases) {
    Outcome r = Pellmar(c.args);
    EXPECT_EQ(r.code, c.code) << c.part << "\n" << r.err;
    EXPECT_NE(r.err.find(c.part), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  }
  Outcome help = Pellmar({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("usage: pellmar-run", 0), 0u);
}

}  // namespace
}  // namespace tools
