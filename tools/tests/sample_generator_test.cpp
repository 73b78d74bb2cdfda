#include <gtest/gtest.h>

#include <filesystem>

#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "quenby.h"
#include "quenby_network.h"
#include "sample_folder.h"
#include "sample_set.h"

namespace tools {
namespace {

using testing::ReadText;
using testing::Sample;
using testing::SampleFolder;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

long Count(const std::string& line) {
  double v = 0;
  EXPECT_TRUE(common::ParseNumber(line, v)) << line;
  return static_cast<long>(v);
}

TEST(SampleGenerator, IsDeterministicAndWritesOnlyCrLfLines) {
  samples::SampleSet again = samples::GenerateSampleSet(testing::kTestEffort);
  ASSERT_GE(again.files.size(), 25u);
  for (const auto& file : again.files) {
    std::string onDisk = ReadText(Sample(file.path));
    EXPECT_TRUE(onDisk == file.text) << file.path << " differs between two runs";
    ASSERT_FALSE(file.text.empty()) << file.path;
    if (file.path.find(".csv") != std::string::npos) continue;
    EXPECT_EQ(file.text.substr(file.text.size() - 2), "\r\n") << file.path;
    for (size_t i = 0; i < file.text.size(); ++i)
      if (file.text[i] == '\n') {
        ASSERT_TRUE(i > 0 && file.text[i - 1] == '\r') << file.path << " has a bare line feed";
      }
  }
}

TEST(SampleGenerator, ControlFileNamesFourProjectsAndOneCase) {
  std::vector<std::string> control = Lines(ReadText(Sample("Control.dat")));
  ASSERT_EQ(control.size(), 10u);
  EXPECT_EQ(control[9], "1");
  for (int line : {1, 3, 5, 7})
    EXPECT_TRUE(std::filesystem::exists(Sample(control[static_cast<size_t>(line)] + ".dat"))) << control[static_cast<size_t>(line)];
  EXPECT_EQ(Lines(ReadText(Sample("inputs.txt"))).size(), 510u);
}

TEST(SampleGenerator, DataFilesHoldTheirCountsOfLines) {
  for (const char* name : {"Arrival", "SourceZone", "Spring", "Well"}) {
    std::vector<std::string> dat = Lines(ReadText(Sample(std::string("projects/") + name + ".dat")));
    long records = Count(dat[1]), variables = Count(dat[2]);
    EXPECT_EQ(static_cast<long>(dat.size()), 4 + variables + 1 + records * variables + 1 + 2 * variables) << name;
    std::vector<std::string> flags = Lines(ReadText(Sample(std::string("projects/") + name + ".flg")));
    EXPECT_EQ(static_cast<long>(flags.size()), 1 + variables) << name;
    EXPECT_EQ(flags[1], " ID ");
  }
}

TEST(SampleGenerator, AFolderThatCannotBeCreatedIsAFileError) {
  const std::string file = testing::FreshFolder("blocked") + "/plain-file";
  common::WriteFileReplacing(file, "x");
  samples::SampleSet set;
  set.files.push_back({"projects/a.dat", "1\r\n"});
  try {
    samples::WriteSampleSet(set, file);
    FAIL();
  } catch (const common::Failure& f) {
    EXPECT_EQ(f.cls, common::FailureClass::FileError);
    EXPECT_NE(f.message.find("plain-file"), std::string::npos) << f.message;
  }
}

struct Expected {
  const char* name;
  int inputs;  // the driver's columns
  int derived, outputs;
  bool slabs;
  const char* grnn;  // calibration, "" for none
};

class CompiledSample : public ::testing::TestWithParam<Expected> {};

// The compiler reads the generated files as the formats say, and the engine
// then reproduces the generator's own predictions exactly.
TEST_P(CompiledSample, CompilesAndReproducesTheGeneratorsPredictions) {
  const Expected e = GetParam();
  const std::string project = Sample(std::string("projects/") + e.name);
  ASSERT_EQ(CreatDllFile(project.c_str()), QUENBY_OK) << QuenbyLastError();
  const quenby::NetworkDescription n = quenby::DescribeNetwork(project);
  EXPECT_EQ(n.directInputCount, e.inputs);
  EXPECT_EQ(n.directInputCount + n.extraInputCount, e.inputs);
  EXPECT_EQ(static_cast<int>(n.derivedInputCodes.size()), e.derived);
  EXPECT_EQ(static_cast<int>(n.outputs.size()), e.outputs);
  EXPECT_EQ(n.multiSlab, e.slabs);
  if (e.slabs) {
    EXPECT_EQ(n.slabActivations, (std::vector<std::string>{"Logistic", "tan Hyperbolic"}));
  }
  if (e.derived > 0) {
    EXPECT_EQ(n.clusteringMode, "Fuzzy");
  }
  EXPECT_EQ(n.grnnCalibration, e.grnn);

  CsvTable cases = ReadCsvFile(Sample(std::string("checks/") + e.name + ".inputs.csv"));
  ASSERT_EQ(static_cast<int>(cases.header.size()), e.inputs);
  std::vector<double> data;
  for (const auto& row : cases.rows) data.insert(data.end(), row.begin(), row.end());
  QuenbyTable in{data.data(), 1, static_cast<int32_t>(cases.rows.size()), 1, e.inputs};
  for (const char* method : {"Back Prop", "GRNN"}) {
    const bool grnn = std::string(method) == "GRNN";
    if (grnn && e.grnn[0] == '\0') continue;
    CsvTable expected = ReadCsvFile(Sample(std::string("checks/") + e.name + (grnn ? ".grnn.csv" : ".backprop.csv")));
    QuenbyTable out{};
    ASSERT_EQ(ApplyNNet(method, project.c_str(), &in, &out), QUENBY_OK) << QuenbyLastError();
    ASSERT_EQ(out.row_upper, static_cast<int32_t>(expected.rows.size()));
    ASSERT_EQ(out.col_upper, e.outputs);
    const int width = out.col_upper - out.col_lower + 1;
    for (size_t i = 0; i < expected.rows.size(); ++i)
      for (int k = 1; k <= e.outputs; ++k)
        EXPECT_EQ(out.data[static_cast<int>(i) * width + (k - out.col_lower)], expected.rows[i][static_cast<size_t>(k - 1)])
            << method << " row " << i + 1 << " output " << k;
    QuenbyFreeTable(&out);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFour, CompiledSample,
                         ::testing::Values(Expected{"Arrival", 40, 3, 1, false, "Holdout"}, Expected{"SourceZone", 55, 0, 2, true, ""},
                                           Expected{"Spring", 53, 0, 1, false, "Genetic"}, Expected{"Well", 47, 0, 1, false, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SampleGenerator, RangeFileWidensTheWellsRanges) {
  const std::string project = Sample("projects/Well");
  ASSERT_EQ(PrintTitlesName(project.c_str()), QUENBY_OK) << QuenbyLastError();  // compiled when missing
  const quenby::NetworkDescription n = quenby::DescribeNetwork(project);
  std::vector<std::string> dat = Lines(ReadText(project + ".dat"));
  long variables = Count(dat[2]);
  // The data file's range of the output (last variable) against the loaded one.
  double dataMax = 0;
  ASSERT_TRUE(common::ParseNumber(dat[dat.size() - 1], dataMax));
  ASSERT_EQ(n.outputs.size(), 1u);
  EXPECT_GT(n.outputs[0].max, dataMax);
  EXPECT_EQ(n.outputs[0].column, variables);
}

}  // namespace
}  // namespace tools
