#include "pellmar_run_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "common/text_file.h"
#include "csv_table.h"
#include "host_inputs_file.h"
#include "input_table.h"
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

// Realizations around the demo case: every input scaled by a drawn factor
// and kept to four decimals; h307 (the series' start) as it is.
std::vector<std::vector<double>> DrawnRealizations(size_t count) {
  std::vector<double> demo = ParseHostInputs(ReadText(Sample("inputs.txt")), "inputs.txt");
  std::vector<std::vector<double>> rows;
  uint32_t state = 12345;
  for (size_t i = 0; i < count; ++i) {
    std::vector<double> row = demo;
    for (size_t k = 0; k < row.size(); ++k) {
      state = state * 1664525u + 1013904223u;
      if (k != 306) row[k] = std::round(row[k] * (0.9 + 0.2 * (state >> 8) / 16777216.0) * 1e4) / 1e4;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string CsvRows(const std::vector<std::vector<double>>& rows) {
  std::string text;
  for (const auto& row : rows) {
    for (size_t k = 0; k < row.size(); ++k) text.append(k ? "," : "").append(ShortestNumber(row[k]));
    text += "\r\n";
  }
  return text;
}

TEST(PellmarRun, RealizationsEqualSingleHostCalculationsAndLeaveTheFolderAlone) {
  const std::string folder = WorkingFolder("realizations");
  std::vector<std::vector<double>> rows = DrawnRealizations(330);
  rows[4][306] = -500;  // the driver cannot build the first-stage row
  rows[7][0] = 99999;   // far beyond the training range of "Distance to well (m)"
  rows[9][1] = 0.00002;  // the exchange file's four decimals make it 0
  common::WriteFileReplacing(folder + "/real.csv", CsvRows(rows));
  for (const char* f : {"inputvars.dat", "outfile.dat", "trashy.dat"}) common::WriteFileReplacing(folder + "/" + f, std::string(f) + " as left\r\n");
  const std::string control = ReadText(folder + "/Control.dat");

  Outcome r = Pellmar({"--dir", folder, "--realizations", folder + "/real.csv", "--out", folder + "/res.csv", "--bands", folder + "/bands.csv",
                       "--svg", folder + "/bands.svg", "--precision", folder + "/precision.csv"});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("realization 5 (line 5 of " + folder + "/real.csv) failed: Torvane: subscript out of range: first-stage column 40"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("329 of 330 realizations calculated, 1 failed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("realization 8 (line 8): 3 inputs outside the training range; worst first-stage network (projects/Arrival): "
                       "\"Distance to well (m)\" = 99999 outside ["),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("2 of 330 realizations left the networks' training ranges"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("precision: row 10 (line 10), host variable 2: 0.00002 reaches the driver as 0.0000"), std::string::npos) << r.err;
  for (const char* f : {"inputvars.dat", "outfile.dat", "trashy.dat"}) EXPECT_EQ(ReadText(folder + "/" + f), std::string(f) + " as left\r\n");
  EXPECT_EQ(ReadText(folder + "/Control.dat"), control);
  EXPECT_EQ(ReadText(folder + "/precision.csv"), "row,line,host variable,value,driver sees\r\n10,10,h2,2e-05,0.0000\r\n");

  InputTable results = ReadInputTable(folder + "/res.csv", {});
  ASSERT_EQ(results.rows.size(), 330u);
  EXPECT_EQ(results.header[0], "Source concentration (mg/L) step 1");
  EXPECT_EQ(results.header[399], "Spring discharge (L/s) step 100");
  EXPECT_EQ(results.rows[4][0], "");
  EXPECT_EQ(results.header[400], "inputs outside training range");
  EXPECT_EQ(results.rows[7][400], "3");
  EXPECT_EQ(results.rows[8][400], "0");
  EXPECT_NE(results.rows[4].back().find("first-stage column 40"), std::string::npos);
  // Drawn rows, the run boundary among them, against one host calculation each.
  for (size_t row : {0, 1, 326, 327, 329}) {
    common::WriteFileReplacing(folder + "/one.csv", CsvRows({rows[row]}));
    Outcome single = Pellmar({"--dir", folder, "--csv", folder + "/one.csv"});
    ASSERT_EQ(single.code, 0) << single.err;
    CsvTable host = ParseCsv(single.out, "stdout");
    for (size_t b = 0; b < 4; ++b)
      for (size_t s = 0; s < 100; ++s)
        ASSERT_EQ(results.rows[row][b * 100 + s], ShortestNumber(host.rows[s][b + 1])) << "row " << row + 1 << " series " << b << " step " << s;
    EXPECT_EQ(results.rows[row].back(), "") << row;
  }
  InputTable bands = ReadInputTable(folder + "/bands.csv", {});
  ASSERT_EQ(bands.rows.size(), 400u);
  EXPECT_EQ(bands.header, (std::vector<std::string>{"series", "step", "5 %", "median", "95 %", "mean"}));
  EXPECT_LE(bands.Number(0, 2), bands.Number(0, 3));
  EXPECT_LE(bands.Number(0, 3), bands.Number(0, 4));
  std::string svg = ReadText(folder + "/bands.svg");
  EXPECT_EQ(std::count(svg.begin(), svg.end(), 'p') > 0, true);
  size_t polygons = 0;
  for (size_t pos = svg.find("<polygon"); pos != std::string::npos; pos = svg.find("<polygon", pos + 1)) ++polygons;
  EXPECT_EQ(polygons, 4u);
  EXPECT_NE(svg.find("329 realizations"), std::string::npos);
}

// A realization the driver refuses among good ones: 1e10 does not fit the
// exchange file's 15 columns, which then hold asterisks the driver cannot
// read. (Beside the first-stage row the driver cannot build, tested above.)
TEST(PellmarRun, RealizationTheDriverRefusesIsReportedAndTheOthersComeOut) {
  const std::string folder = WorkingFolder("refused");
  std::vector<std::vector<double>> rows = DrawnRealizations(6);
  rows[2][11] = 1e10;
  common::WriteFileReplacing(folder + "/real.csv", CsvRows(rows));
  Outcome r = Pellmar({"--dir", folder, "--realizations", folder + "/real.csv", "--out", folder + "/res.csv"});
  EXPECT_EQ(r.code, 1) << r.err;
  const std::string reported = "realization 3 (line 3 of " + folder + "/real.csv) failed: Torvane: ";
  ASSERT_NE(r.err.find(reported), std::string::npos) << r.err;
  const std::string message = r.err.substr(r.err.find(reported) + reported.size(), r.err.find('\n', r.err.find(reported)) - r.err.find(reported) - reported.size());
  EXPECT_NE(message.find("inputvars.dat"), std::string::npos) << message;
  EXPECT_NE(r.err.find("5 of 6 realizations calculated, 1 failed"), std::string::npos) << r.err;

  InputTable results = ReadInputTable(folder + "/res.csv", {});
  ASSERT_EQ(results.rows.size(), 6u);
  EXPECT_EQ(results.rows[2][0], "");
  EXPECT_EQ(results.rows[2].back(), "Torvane: " + message);
  common::WriteFileReplacing(folder + "/one.csv", CsvRows({rows[3]}));
  Outcome single = Pellmar({"--dir", folder, "--csv", folder + "/one.csv"});
  ASSERT_EQ(single.code, 0) << single.err;
  CsvTable host = ParseCsv(single.out, "stdout");
  for (size_t i : {0, 1, 3, 4, 5}) {
    EXPECT_EQ(results.rows[i].back(), "") << i;
    ASSERT_NE(results.rows[i][399], "") << i;
  }
  for (size_t b = 0; b < 4; ++b)
    for (size_t st = 0; st < 100; ++st) ASSERT_EQ(results.rows[3][b * 100 + st], ShortestNumber(host.rows[st][b + 1])) << b << " " << st;
}

TEST(PellmarRun, OneRealizationDrawsTodaysChart) {
  const std::string folder = WorkingFolder("one");
  Outcome single = Pellmar({"--dir", folder, "--svg", folder + "/today.svg", folder + "/inputs.txt"});
  ASSERT_EQ(single.code, 0) << single.err;
  common::WriteFileReplacing(folder + "/one.csv", CsvRows({ParseHostInputs(ReadText(folder + "/inputs.txt"), "inputs.txt")}));
  Outcome one = Pellmar({"--dir", folder, "--realizations", folder + "/one.csv", "--svg", folder + "/one.svg"});
  ASSERT_EQ(one.code, 0) << one.err;
  EXPECT_EQ(ReadText(folder + "/one.svg"), ReadText(folder + "/today.svg"));
}

TEST(PellmarRun, OutputsNeverReplaceInputsUnlessForced) {
  const std::string folder = WorkingFolder("guard");
  common::WriteFileReplacing(folder + "/real.csv", CsvRows(DrawnRealizations(2)));
  const std::string before = ReadText(folder + "/real.csv");
  struct Case {
    std::vector<std::string> args;
    std::string part;
  } cases[] = {
      {{"--realizations", folder + "/real.csv", "--out", folder + "/real.csv"}, "real.csv is the realizations file"},
      {{"--realizations", folder + "/real.csv", "--bands", folder + "/Control.dat"}, "Control.dat is the working folder's Control.dat"},
      {{"--realizations", folder + "/real.csv", "--svg", folder + "/projects/Well.ndp"}, "is a file of the network project"},
      {{"--realizations", folder + "/real.csv", "--svg", folder + "/x.svg", "--bands", folder + "/x.svg"}, "--svg and --bands name the same file"},
      {{"--svg", folder + "/inputs.txt", folder + "/inputs.txt"}, "inputs.txt is the INPUTS file"},
  };
  for (auto& c : cases) {
    c.args.insert(c.args.begin(), {"--dir", folder});
    Outcome r = Pellmar(c.args);
    EXPECT_EQ(r.code, 1) << c.part;
    EXPECT_NE(r.err.find(c.part), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadText(folder + "/real.csv"), before);
  Outcome forced = Pellmar({"--dir", folder, "--realizations", folder + "/real.csv", "--out", folder + "/real.csv", "--force"});
  EXPECT_EQ(forced.code, 0) << forced.err;
  EXPECT_NE(ReadText(folder + "/real.csv"), before);
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
