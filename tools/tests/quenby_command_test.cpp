#include "quenby_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/text_file.h"
#include "csv_table.h"
#include "sample_folder.h"

namespace tools {
namespace {

using testing::FreshFolder;
using testing::ReadText;
using testing::Sample;

struct Outcome {
  int code;
  std::string out, err;
};

Outcome Quenby(std::vector<std::string> args, bool terminal = false) {
  std::ostringstream out, err;
  int code = RunQuenby(args, out, err, terminal);
  return {code, out.str(), err.str()};
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(QuenbyCommand, CompileWritesTheCompiledFile) {
  const std::string project = Sample("projects/Spring");
  std::filesystem::remove(project + ".DLLFile");
  Outcome r = Quenby({"compile", project});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "compiled " + project + ".DLLFile\n");
  EXPECT_TRUE(std::filesystem::exists(project + ".DLLFile"));
}

TEST(QuenbyCommand, TitlesListTheColumnsTheCheckTablesUse) {
  for (const char* name : {"Arrival", "SourceZone", "Spring", "Well"}) {
    Outcome r = Quenby({"titles", Sample(std::string("projects/") + name)});
    ASSERT_EQ(r.code, 0) << r.err;
    CsvTable cases = ReadCsvFile(Sample(std::string("checks/") + name + ".inputs.csv"));
    EXPECT_EQ(Split(r.out), cases.header) << name;
  }
}

TEST(QuenbyCommand, InfoDescribesTheLoadedNetwork) {
  Outcome arrival = Quenby({"info", Sample("projects/Arrival")});
  ASSERT_EQ(arrival.code, 0) << arrival.err;
  for (const char* part : {"variables: 42 (40 flagged as inputs, 1 as outputs)", "network inputs: 43 (40 direct, 3 derived)",
                           "derived: winning cluster (code 1)", "clustering: Fuzzy, 3 clusters over 3 variables", "centre 3:",
                           "back propagation: 8 hidden neurons, one slab", "Arrival time (days)",
                           "general regression: \"Holdout\", smoothing 0.8, 288 training patterns"})
    EXPECT_NE(arrival.out.find(part), std::string::npos) << part << "\n" << arrival.out;
  Outcome spring = Quenby({"info", Sample("projects/Spring")});
  EXPECT_NE(spring.out.find("general regression: \"Genetic\", 400 training patterns"), std::string::npos) << spring.out;
  Outcome zone = Quenby({"info", Sample("projects/SourceZone")});
  ASSERT_EQ(zone.code, 0) << zone.err;
  for (const char* part : {"12 hidden neurons in 2 slabs", "slab 1 \"Logistic\", slab 2 \"tan Hyperbolic\"", "outputs: 2",
                           "general regression: none", "clustering: None"})
    EXPECT_NE(zone.out.find(part), std::string::npos) << part << "\n" << zone.out;
}

TEST(QuenbyCommand, ApplyMatchesTheTrainingPredictionsThroughEveryRoute) {
  const std::string out = FreshFolder("apply") + "/results.csv";
  for (const char* name : {"Arrival", "SourceZone", "Spring", "Well"}) {
    const std::string project = Sample(std::string("projects/") + name), input = Sample(std::string("checks/") + name + ".inputs.csv"),
                      expected = Sample(std::string("checks/") + name + ".backprop.csv");
    Outcome toFile = Quenby({"apply", project, input, out});
    ASSERT_EQ(toFile.code, 0) << toFile.err;
    EXPECT_EQ(ReadText(out), ReadText(expected)) << name;
    Outcome toStdout = Quenby({"apply", "--method", "Back Prop", project, input});
    ASSERT_EQ(toStdout.code, 0) << toStdout.err;
    EXPECT_EQ(ParseCsv(toStdout.out, "stdout").rows, ReadCsvFile(expected).rows);
    Outcome compare = Quenby({"apply", "--compare", expected, project, input});
    EXPECT_EQ(compare.code, 0) << compare.out << compare.err;
    EXPECT_EQ(compare.out.find("DIFFER"), std::string::npos);
  }
  Outcome grnn = Quenby({"apply", "--method=GRNN", "--compare", Sample("checks/Arrival.grnn.csv"), Sample("projects/Arrival"),
                     Sample("checks/Arrival.inputs.csv")});
  EXPECT_EQ(grnn.code, 0) << grnn.out << grnn.err;
  Outcome genetic = Quenby({"apply", "--method", "GRNN", "--compare", Sample("checks/Spring.grnn.csv"), Sample("projects/Spring"),
                            Sample("checks/Spring.inputs.csv")});
  EXPECT_EQ(genetic.code, 0) << genetic.out << genetic.err;
}

TEST(QuenbyCommand, ApplyMatchesColumnsByTitleAndIgnoresOthers) {
  CsvTable cases = ReadCsvFile(Sample("checks/Spring.inputs.csv"));
  std::vector<std::string> header(cases.header.rbegin(), cases.header.rend());
  header.push_back("Observed discharge");
  std::vector<std::vector<double>> rows;
  for (const auto& r : cases.rows) {
    std::vector<double> reversed(r.rbegin(), r.rend());
    reversed.push_back(-1);
    rows.push_back(reversed);
  }
  const std::string input = FreshFolder("reordered") + "/cases.csv";
  common::WriteFileReplacing(input, FormatCsv(header, rows));
  Outcome r = Quenby({"apply", "--compare", Sample("checks/Spring.backprop.csv"), Sample("projects/Spring"), input});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
}

TEST(QuenbyCommand, HeaderOnlyTableGivesHeaderOnlyResults) {
  CsvTable cases = ReadCsvFile(Sample("checks/Arrival.inputs.csv"));
  const std::string input = FreshFolder("empty-table") + "/cases.csv";
  common::WriteFileReplacing(input, FormatCsv(cases.header, {}));
  Outcome r = Quenby({"apply", Sample("projects/Arrival"), input});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Arrival time (days)\n");
}

TEST(QuenbyCommand, CompareReportsDifferencesWithExitCode3) {
  CsvTable expected = ReadCsvFile(Sample("checks/Well.backprop.csv"));
  expected.rows[4][0] *= 1.001;
  const std::string path = FreshFolder("compare") + "/expected.csv";
  common::WriteFileReplacing(path, FormatCsv(expected.header, expected.rows));
  Outcome r = Quenby({"apply", "--compare", path, Sample("projects/Well"), Sample("checks/Well.inputs.csv")});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.out.find("DIFFER  Well concentration (mg/L)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("line 6 of " + path), std::string::npos) << r.out;
  Outcome loose = Quenby({"apply", "--tolerance", "0.01", "--compare", path, Sample("projects/Well"), Sample("checks/Well.inputs.csv")});
  EXPECT_EQ(loose.code, 0) << loose.out;
}

TEST(QuenbyCommand, ProgressBarOnlyOnATerminalForLongTables) {
  CsvTable cases = ReadCsvFile(Sample("checks/Spring.inputs.csv"));
  std::vector<std::vector<double>> rows;
  while (rows.size() < 2500) rows.insert(rows.end(), cases.rows.begin(), cases.rows.end());
  const std::string folder = FreshFolder("long");
  common::WriteFileReplacing(folder + "/cases.csv", FormatCsv(cases.header, rows));
  Outcome quiet = Quenby({"apply", Sample("projects/Spring"), folder + "/cases.csv", folder + "/a.csv"}, false);
  Outcome bar = Quenby({"apply", Sample("projects/Spring"), folder + "/cases.csv", folder + "/b.csv"}, true);
  ASSERT_EQ(quiet.code, 0) << quiet.err;
  ASSERT_EQ(bar.code, 0) << bar.err;
  EXPECT_EQ(quiet.err, "");
  EXPECT_NE(bar.err.find("100% 2500/2500 cases"), std::string::npos) << bar.err;
  // Applying in slices gives the same results as one call.
  EXPECT_EQ(ReadText(folder + "/a.csv"), ReadText(folder + "/b.csv"));
}

TEST(QuenbyCommand, ErrorsAreOneLineWithExitCodes) {
  const std::string folder = FreshFolder("errors");
  {
    // The sample's cases with one cell of row 2 spoiled.
    std::vector<std::string> lines = Split(ReadText(Sample("checks/Arrival.inputs.csv")));
    lines[2] = "not a number" + lines[2].substr(lines[2].find(','));
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    common::WriteFileReplacing(folder + "/bad.csv", text);
  }
  const std::string missing = folder + "/NoSuchProject";
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string part;
  } cases[] = {
      {{}, 2, "expected a command"},
      {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
      {{"compile"}, 2, "compile expects one argument"},
      {{"info", "a", "b"}, 2, "info expects one argument"},
      {{"apply", Sample("projects/Arrival")}, 2, "apply expects PROJECT INPUT.csv [OUTPUT.csv]"},
      {{"apply", "--method", "back prop", "p", "i"}, 2, "unknown method \"back prop\""},
      {{"apply", "--method"}, 2, "--method needs a value"},
      {{"apply", "--tolerance", "x", "p", "i"}, 2, "--tolerance: expected a number"},
      {{"apply", "--frob", "p", "i"}, 2, "unknown option --frob"},
      {{"compile", missing}, 1, missing + ".dat"},
      {{"titles", missing}, 1, missing},
      {{"info", missing}, 1, missing},
      {{"apply", Sample("projects/Arrival"), folder + "/bad.csv"}, 1, "row 2, column 1 (\"Distance to well (m)\"): expected a number, found \"not a number\" (" + folder + "/bad.csv, line 3)"},
      {{"apply", Sample("projects/Arrival"), folder + "/none.csv"}, 1, "cannot open the table (" + folder + "/none.csv)"},
      {{"apply", "--method", "GRNN", Sample("projects/Well"), Sample("checks/Well.inputs.csv")}, 1,
       "has no calibrated general regression network"},
      {{"apply", Sample("projects/Well"), Sample("checks/Spring.inputs.csv")}, 1, "missing column \"Distance to well (m)\""},
  };
  for (const auto& c : cases) {
    Outcome r = Quenby(c.args);
    EXPECT_EQ(r.code, c.code) << c.part << "\n" << r.err;
    EXPECT_NE(r.err.find(c.part), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    EXPECT_EQ(r.out, "");
  }
}

// A table as a European spreadsheet exports it (byte-order mark, semicolons,
// decimal commas, a name and a note column) gives the results of the plain one.
TEST(QuenbyCommand, ApplyReadsSpreadsheetExportsAndGuardsItsInputs) {
  const std::string folder = FreshFolder("exports");
  const std::string project = Sample("projects/Well"), cases = Sample("checks/Well.inputs.csv");
  Outcome plain = Quenby({"apply", project, cases});
  ASSERT_EQ(plain.code, 0) << plain.err;
  std::vector<std::string> lines = Split(ReadText(cases));
  std::string european = "\xEF\xBB\xBF";
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (char& ch : line) ch = ch == ',' ? ';' : ch == '.' ? ',' : ch;
    european += (i == 0 ? "case;" : "well " + std::to_string(i) + ";") + line + (i == 0 ? ";notes\r\n" : i == 1 ? ";\"see; p. 4\"\r\n" : ";\r\n");
  }
  common::WriteFileReplacing(folder + "/european.csv", european);
  Outcome read = Quenby({"apply", project, folder + "/european.csv"});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_EQ(read.out, plain.out);

  common::WriteFileReplacing(folder + "/in.csv", ReadText(cases));
  common::WriteFileReplacing(folder + "/twice.csv", "notes," + Split(ReadText(cases))[0] + ",notes\n");
  struct Case {
    std::vector<std::string> args;
    std::string part;
  } refused[] = {
      {{"apply", project, folder + "/in.csv", folder + "/in.csv"}, "in.csv is the input table: give another name, or --force"},
      {{"apply", project, folder + "/in.csv", project + ".ndp"}, "Well.ndp is a file of the project"},
      {{"apply", project, folder + "/twice.csv"}, "the column title \"notes\" appears twice"},
  };
  for (const auto& c : refused) {
    Outcome r = Quenby(c.args);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find(c.part), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadText(folder + "/in.csv"), ReadText(cases));

  // A case beyond the training range is applied, with a warning.
  std::vector<std::string> far = Split(ReadText(cases));
  far[2] = "99999" + far[2].substr(far[2].find(','));
  std::string text;
  for (const auto& l : far) text += l + "\n";
  common::WriteFileReplacing(folder + "/far.csv", text);
  Outcome warned = Quenby({"apply", project, folder + "/far.csv"});
  EXPECT_EQ(warned.code, 0) << warned.err;
  EXPECT_NE(warned.err.find("quenby apply: outside the training range: case 2 (line 3): 1 input outside the training range; worst " + project +
                            ": \"Distance to well (m)\" = 99999 outside ["),
            std::string::npos)
      << warned.err;
  EXPECT_NE(warned.err.find("1 of " + std::to_string(far.size() - 1) + " cases left"), std::string::npos) << warned.err;
}

TEST(QuenbyCommand, HelpForEveryCommand) {
  for (std::vector<std::string> args : {std::vector<std::string>{"--help"}, {"compile", "--help"}, {"titles", "-h"}, {"info", "--help"},
                                        {"apply", "x", "--help"}}) {
    Outcome r = Quenby(args);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("usage: quenby", 0), 0u) << r.out;
  }
}

}  // namespace
}  // namespace tools
