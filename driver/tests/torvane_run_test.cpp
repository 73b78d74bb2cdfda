// The program run as the adapter runs it, beside a stand-in engine that
// echoes input columns, from a working folder that is not its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "test_folder.h"

namespace {

using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempFolder;
using testing_support::WriteFile;

struct Projects {
  std::string a = "echo 29 55";  // s, h(410 + s)
  std::string b = "echo 53";     // h(410 + s)
  std::string c = "echo 32";     // 0 before step floor(F / 365), else 1
  std::string first = "echo 40"; // h(411 + floor(h307))
};

// Host variable n of case c.
double Host(int c, int n) {
  if (n == 307) return 2.7;
  if (n == 413) return 1000;  // F, through column 40 of the first stage
  return n * 0.5 + (c - 1) * 10000;
}

std::string InputVars(int cases) {
  std::string text;
  for (int c = 1; c <= cases; ++c)
    for (int n = 1; n <= 510; ++n) common::AppendNumberLine(text, Host(c, n));
  return text;
}

class TorvaneRun : public ::testing::Test {
 protected:
  void Prepare(const Projects& p, int cases, const std::string& line10 = "") {
    testing_support::CopyFile(TORVANE_PROGRAM, dir->File("Torvane"));
    testing_support::CopyFile(FAKE_ENGINE_LIBRARY, dir->File("libQuenby.so"));
    WriteFile(dir->File("Control.dat"), "A\r\n" + p.a + "\r\nB\r\n" + p.b + "\r\nC\r\n" + p.c + "\r\nFirst\r\n" +
                                              p.first + "\r\nCases\r\n" +
                                              (line10.empty() ? std::to_string(cases) : line10) + "\r\n");
    WriteFile(dir->File("inputvars.dat"), InputVars(cases));
  }
  testing_support::RunResult Run() {
    setenv("FAKE_ENGINE_LOG", dir->File("fake_engine.log").c_str(), 1);
    return RunProgram(dir->File("Torvane"), dir->Path());
  }
  std::vector<std::string> OutLines() {
    std::string text = ReadFile(dir->File("outfile.dat"));
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find("\r\n", pos);
      EXPECT_NE(end, std::string::npos);
      if (end == std::string::npos) break;
      lines.push_back(text.substr(pos, end - pos));
      pos = end + 2;
    }
    return lines;
  }
  // Nothing but the expected files: no temporary left behind.
  void ExpectOnlyFiles(std::vector<std::string> names) {
    names.insert(names.end(), {"Torvane", "libQuenby.so", "Control.dat", "inputvars.dat", "fake_engine.log"});
    for (const auto& entry : std::filesystem::directory_iterator(dir->Path())) {
      std::string name = entry.path().filename().string();
      EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << "unexpected file " << name;
    }
  }
  std::string Line(double v) {
    std::string s;
    common::AppendNumberItem(s, v);
    return s;
  }
  std::unique_ptr<TempFolder> dir = std::make_unique<TempFolder>();
};

TEST_F(TorvaneRun, OneCaseGivesFourHundredLinesInTheOrderACB) {
  Prepare(Projects{}, 1);
  WriteFile(dir->File("Torvane.err"), "Torvane: an earlier failure\r\n");
  auto run = Run();
  ASSERT_EQ(run.exitCode, 0) << run.errorText;
  EXPECT_EQ(run.errorText, "");
  EXPECT_EQ(ReadFile(dir->File("trashy.dat")), " 1000 \r\n");
  auto lines = OutLines();
  ASSERT_EQ(lines.size(), 400u);
  for (int s = 1; s <= 100; ++s) {
    EXPECT_EQ(lines[s - 1], Line(s)) << s;
    EXPECT_EQ(lines[100 + s - 1], Line(Host(1, 410 + s))) << s;
    EXPECT_EQ(lines[200 + s - 1], Line(s >= 2 ? 1 : 0)) << s;  // floor(1000 / 365) = 2
    EXPECT_EQ(lines[300 + s - 1], Line(Host(1, 410 + s))) << s;
  }
  // The engine was called with the driver's tables: rows and columns from 0.
  EXPECT_EQ(ReadFile(dir->File("fake_engine.log")),
            "Back Prop|echo 40|0 1 0 40\n"
            "Back Prop|echo 29 55|0 100 0 55\n"
            "Back Prop|echo 32|0 100 0 47\n"
            "Back Prop|echo 53|0 100 0 53\n");
  ExpectOnlyFiles({"outfile.dat", "trashy.dat"});
}

TEST_F(TorvaneRun, TwoCasesGiveEightHundredLines) {
  Projects p;
  p.a = "echo 1 29";
  Prepare(p, 2);
  auto run = Run();
  ASSERT_EQ(run.exitCode, 0) << run.errorText;
  auto lines = OutLines();
  ASSERT_EQ(lines.size(), 800u);
  EXPECT_EQ(lines[0], Line(Host(1, 1)));
  EXPECT_EQ(lines[100], Line(Host(2, 1)));  // case 2, step 1
  EXPECT_EQ(lines[200], Line(1));           // output 2 of A: s
  EXPECT_EQ(lines[400], Line(0));           // C, case 1, step 1
  EXPECT_EQ(lines[500], Line(0));           // C, case 2, step 1: F of case 1
  EXPECT_EQ(lines[799], Line(Host(2, 510)));
  EXPECT_EQ(ReadFile(dir->File("trashy.dat")), " 1000 \r\n");
}

// 50 cases are 5,000 rows: the series networks get them in two parts, the
// second's row 0 being the first's last row, and the rows come out whole
// and in order. A part that fails is answered by the whole table, whose
// failure names its rows as they are counted in the whole run.
TEST_F(TorvaneRun, ManyCasesGoToTheEngineInPartsAndComeOutWhole) {
  Prepare(Projects{}, 50);
  auto run = Run();
  ASSERT_EQ(run.exitCode, 0) << run.errorText;
  auto lines = OutLines();
  ASSERT_EQ(lines.size(), 20000u);
  for (int r : {4095, 4096, 4097, 5000}) {  // row r: case (r - 1) / 100 + 1, step (r - 1) % 100 + 1
    const int c = (r - 1) / 100 + 1, s = (r - 1) % 100 + 1;
    EXPECT_EQ(lines[static_cast<size_t>(r - 1)], Line(s)) << "row " << r;
    EXPECT_EQ(lines[static_cast<size_t>(5000 + r - 1)], Line(Host(c, 410 + s))) << "row " << r;
    EXPECT_EQ(lines[static_cast<size_t>(15000 + r - 1)], Line(Host(c, 410 + s))) << "row " << r;
  }
  const std::string log = ReadFile(dir->File("fake_engine.log"));
  EXPECT_NE(log.find("Back Prop|echo 29 55|0 4096 0 55\nBack Prop|echo 29 55|0 904 0 55\n"), std::string::npos) << log;

  Projects shortC;
  shortC.c = "short 32";
  dir = std::make_unique<TempFolder>();
  Prepare(shortC, 50);
  run = Run();
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.errorText.find("returned a table of (1 To 4999, 1 To 1), expected rows 1 To 5000"), std::string::npos)
      << run.errorText;
}

// A failing run reports one line and leaves the earlier complete files.
TEST_F(TorvaneRun, FailuresKeepThePreviousFiles) {
  struct Case {
    const char* name;
    Projects projects;
    int cases;
    std::string line10;
    bool trashyRewritten;
    const char* message;
  };
  Projects failB, oneOutputA, shortC, badFirst, failFirst;
  failB.b = "fail";
  oneOutputA.a = "echo 29";
  shortC.c = "short 32";
  failFirst.first = "fail";
  std::vector<Case> cases = {
      {"network B fails", failB, 1, "", true, "type mismatch: network B (Control.dat line 4, fail) failed: fake engine failure"},
      {"network A has one output", oneOutputA, 1, "", true,
       "network A (Control.dat line 2, echo 29) has 1 output; the cascade needs 2"},
      {"network C gives too few rows", shortC, 1, "", true, "expected rows 1 To 100"},
      {"first stage fails", failFirst, 1, "", false, "fake engine failure for fail"},
      {"328 cases", Projects{}, 328, "", true, "overflow"},
      {"two cases against one", Projects{}, 1, "2", false, "found 510"},
      {"no case", Projects{}, 1, "0", false, "case count is 0"},
  };
  for (const Case& x : cases) {
    SCOPED_TRACE(x.name);
    dir = std::make_unique<TempFolder>();
    Prepare(x.projects, x.cases, x.line10);
    WriteFile(dir->File("outfile.dat"), "previous\r\n");
    WriteFile(dir->File("trashy.dat"), "old\r\n");
    auto run = Run();
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(std::count(run.errorText.begin(), run.errorText.end(), '\n'), 1) << run.errorText;
    EXPECT_NE(run.errorText.find(x.message), std::string::npos) << run.errorText;
    // The same line outlives the console, in the program's folder.
    std::string line = run.errorText;
    line.insert(line.size() - 1, "\r");
    EXPECT_EQ(ReadFile(dir->File("Torvane.err")), line);
    EXPECT_EQ(ReadFile(dir->File("outfile.dat")), "previous\r\n");
    EXPECT_EQ(ReadFile(dir->File("trashy.dat")), x.trashyRewritten ? " 1000 \r\n" : "old\r\n");
    ExpectOnlyFiles({"outfile.dat", "trashy.dat", "Torvane.err"});
  }
}

TEST_F(TorvaneRun, MissingControlFileOrEngine) {
  Prepare(Projects{}, 1);
  std::filesystem::remove(dir->File("libQuenby.so"));
  auto run = Run();
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.errorText.find("cannot load the engine libQuenby.so"), std::string::npos) << run.errorText;
  std::filesystem::remove(dir->File("Control.dat"));
  run = Run();
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.errorText.find(dir->File("Control.dat")), std::string::npos) << run.errorText;
  EXPECT_FALSE(testing_support::Exists(dir->File("outfile.dat")));
  EXPECT_FALSE(testing_support::Exists(dir->File("trashy.dat")));
  EXPECT_NE(ReadFile(dir->File("Torvane.err")).find("Control.dat"), std::string::npos);
}

}  // namespace
