#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/failure.h"
#include "compiled_file.h"
#include "dllfile_fixture.h"
#include "loaded_network.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using dllfile::FixtureText;

void LoadText(const std::string& text) { LoadNetworkText(text, "net.DLLFile"); }

Failure LoadFailure(const std::string& text) {
  try {
    LoadText(text);
  } catch (const Failure& f) {
    return f;
  }
  ADD_FAILURE() << "the load succeeded";
  return Failure{FailureClass::InvalidArgument, ""};
}

// Replaces the first occurrence of from in text.
std::string With(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class CompiledFileReader : public ::testing::Test {
 protected:
  void SetUp() override { ResetLoadedNetwork(); }
  void TearDown() override { ResetLoadedNetwork(); }
};

TEST_F(CompiledFileReader, LoadsSingleSlabNetwork) {
  LoadText(FixtureText("single_slab.DLLFile"));
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.VariableCount, 3);
  EXPECT_EQ(n.InputVarCount, 2);
  EXPECT_EQ(n.OutputCount, 1);
  // Titles come back whole: the comma and the leading blank are the title's.
  EXPECT_EQ(n.VariableTitles(1), "Temperature, inlet");
  EXPECT_EQ(n.VariableTitles(2), " Pressure");
  EXPECT_EQ(n.VariableTitles(3), "Yield");
  EXPECT_EQ(n.OutputColumns(1), 3);
  EXPECT_EQ(n.ClusteringMode, "None");
  EXPECT_EQ(n.ClusterVarFlags.Upper(), 3);
  EXPECT_EQ(n.NetInputColumns.Upper(), 2);
  EXPECT_EQ(n.NetInputColumns(2), 2);
  ASSERT_EQ(n.VarMin.Upper(), 5);
  EXPECT_EQ(n.VarMin(2), -50);
  EXPECT_EQ(n.VarMax(3), 30);
  EXPECT_EQ(n.MultiSlab, kFalse);
  EXPECT_EQ(n.SlabCount, 1);
  EXPECT_EQ(n.HiddenCount, 2);
  ASSERT_EQ(n.SlabActivations.Upper(), 1);
  EXPECT_EQ(n.SlabActivations(1), "");  // no slab names without slabs
  ASSERT_EQ(n.InputWeights.Upper1(), 3);
  ASSERT_EQ(n.InputWeights.Upper2(), 2);
  EXPECT_EQ(n.InputWeights(1, 2), -0.25);  // row by row: bias row first
  EXPECT_EQ(n.InputWeights(3, 1), -1.5);
  ASSERT_EQ(n.OutputWeights.Upper1(), 3);
  EXPECT_EQ(n.OutputWeights(3, 1), -0.3);
}

TEST_F(CompiledFileReader, LoadsMultiSlabNetwork) {
  LoadText(FixtureText("multi_slab.DLLFile"));
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.MultiSlab, kTrue);
  EXPECT_EQ(n.SlabCount, 2);
  EXPECT_EQ(n.HiddenCount, 5);
  EXPECT_EQ(n.SlabActivations(1), "tan Hyperbolic");
  EXPECT_EQ(n.SlabActivations(2), "Gaussian");
  EXPECT_EQ(n.InputWeights(2, 5), -1);
  ASSERT_EQ(n.OutputWeights.Upper1(), 7);
  EXPECT_EQ(n.OutputWeights(7, 1), 0.7);
}

TEST_F(CompiledFileReader, RebuildsDerivedInputColumnsFromCodes) {
  LoadText(FixtureText("derived_conv.DLLFile"));
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.ClusteringMode, "Conv");
  EXPECT_EQ(n.ClusterVarFlags(3), 1);
  EXPECT_EQ(n.ClusterCentres(2, 2), 0.8);
  ASSERT_EQ(n.NetInputColumns.Upper(), 4);
  EXPECT_EQ(n.NetInputColumns(3), 5);
  EXPECT_EQ(n.NetInputColumns(4), 7);
  EXPECT_EQ(n.DerivedInputCodes(2), 3);

  // Three direct inputs, codes 1 and 4, twenty variables: columns 21 and 24.
  std::vector<std::string> lines = {"*** General Project Info ***", " 20  0  0 "};
  for (int i = 1; i <= 20; ++i) lines.push_back(std::string("V").append(std::to_string(i)));
  for (const char* l : {"*** Clustering ***", " 0  0 None", "*** Partitioning ***", " 3  2 ", " 4 ", " 9 ", " 2 ",
                        " 1 ", " 4 ", "*** Min and Max ***"})
    lines.push_back(l);
  for (int g = 1; g <= 22; ++g) lines.push_back(" 0  1 ");
  for (const char* l : {"*** BackProp ***", "No BackProp", "*** GRNN ***", "No GRNN"}) lines.push_back(l);
  LoadText(dllfile::CrLf(lines));
  EXPECT_EQ(n.NetInputColumns(1), 4);
  EXPECT_EQ(n.NetInputColumns(2), 9);
  EXPECT_EQ(n.NetInputColumns(3), 2);
  EXPECT_EQ(n.NetInputColumns(4), 21);
  EXPECT_EQ(n.NetInputColumns(5), 24);
}

TEST_F(CompiledFileReader, FileWithoutNetworksKeepsEarlierNetworkFields) {
  LoadText(FixtureText("multi_slab.DLLFile"));
  Net().GrnnCalibration = "Holdout";
  Net().TrainingCount = 7;
  LoadText(FixtureText("no_network.DLLFile"));
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.VariableTitles(1), "Alpha");
  EXPECT_EQ(n.VarMin(2), 7);
  EXPECT_EQ(n.HiddenCount, 5);
  EXPECT_EQ(n.SlabActivations(2), "Gaussian");
  EXPECT_EQ(n.OutputWeights(7, 1), 0.7);
  EXPECT_EQ(n.GrnnCalibration, "Holdout");
  EXPECT_EQ(n.TrainingCount, 7);
}

TEST_F(CompiledFileReader, LaterProjectReplacesEveryFieldItProvides) {
  LoadText(FixtureText("derived_fuzzy.DLLFile"));
  LoadText(FixtureText("single_slab.DLLFile"));
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.VariableCount, 3);
  EXPECT_EQ(n.VariableTitles.Upper(), 3);
  EXPECT_EQ(n.ClusterCount, 0);
  EXPECT_EQ(n.ClusteringMode, "None");
  EXPECT_EQ(n.ClusterCentres.Upper1(), 0);
  EXPECT_EQ(n.DerivedInputCount, 0);
  EXPECT_EQ(n.NetInputColumns.Upper(), 2);
  EXPECT_EQ(n.VarMin.Upper(), 5);
  EXPECT_EQ(n.HiddenCount, 2);
  EXPECT_EQ(n.InputWeights.Upper1(), 3);
}

TEST_F(CompiledFileReader, MarkerThatDiffersCountsAsAbsentNetwork) {
  LoadText(FixtureText("multi_slab.DLLFile"));
  LoadText(With(FixtureText("single_slab.DLLFile"), "BackProp Info\r\n", "BackProp Info \r\n"));
  EXPECT_EQ(Net().HiddenCount, 5);  // the earlier network's
}

TEST_F(CompiledFileReader, ReadsFieldsHoweverTheyAreSpreadOverLines) {
  std::string text = FixtureText("single_slab.DLLFile");
  text = With(text, " 0.5 \r\n-0.25 \r\n 1 \r\n", " 0.5,-0.25\r\n\r\n 1\r\n");
  text = With(text, " 0  100 \r\n-50  50 \r\n", " 0\r\n100,-50 50\r\n");
  LoadText(text);
  EXPECT_EQ(Net().InputWeights(1, 2), -0.25);
  EXPECT_EQ(Net().InputWeights(2, 1), 1);
  EXPECT_EQ(Net().VarMin(2), -50);
  EXPECT_EQ(Net().VarMax(2), 50);
}

TEST_F(CompiledFileReader, AcceptsLineFeedOnlyFiles) {
  std::string text = FixtureText("derived_fuzzy.DLLFile");
  std::string lf;
  for (char c : text)
    if (c != '\r') lf += c;
  LoadText(lf);
  EXPECT_EQ(Net().ClusteringMode, "Fuzzy");
  EXPECT_EQ(Net().OutputWeights(2, 1), 1.1);
}

TEST_F(CompiledFileReader, ReadsGrnnSections) {
  const std::string head = FixtureText("no_network.DLLFile");
  const std::string base = head.substr(0, head.size() - std::string("No GRNN\r\n").size());
  LoadText(base + dllfile::CrLf({"GRNN Info", "Holdout", " 0.25  2 ", " 0.5 ", " 1 ", "-0.5 ", " 0 "}));
  EXPECT_EQ(Net().GrnnCalibration, "Holdout");
  EXPECT_EQ(Net().GrnnSmoothing, 0.25);
  EXPECT_EQ(Net().TrainingCount, 2);
  ConvertPendingGrnnSection();
  EXPECT_EQ(Net().TrainingOutputs(1, 1), 1);
  EXPECT_EQ(Net().TrainingInputs(2, 1), -0.5);

  LoadText(base + dllfile::CrLf({"GRNN Info", "Genetic", " 1 ", " 3 ", " 0.5 ", " 1 "}));
  EXPECT_EQ(Net().GrnnCalibration, "Genetic");
  ConvertPendingGrnnSection();
  EXPECT_EQ(Net().GeneticSmoothing(1, 1), 3);
  EXPECT_EQ(Net().TrainingInputs(1, 1), 0.5);

  // An empty calibration line reads as an empty text; a pattern count follows.
  LoadText(base + dllfile::CrLf({"GRNN Info", "", " 0 "}));
  EXPECT_EQ(Net().GrnnCalibration, "");
  EXPECT_EQ(Net().TrainingCount, 0);
}

struct BadFile {
  const char* name;
  std::string text;
  FailureClass cls;
  std::string message;  // expected within the message
};

std::vector<BadFile> BadFiles() {
  const std::string single = FixtureText("single_slab.DLLFile");
  const std::string noNet = FixtureText("no_network.DLLFile");
  const std::string noGrnnBase = noNet.substr(0, noNet.size() - std::string("No GRNN\r\n").size());
  return {
      {"WeightIsNotANumber", With(single, " 0.75 \r\n", " 1.2.3 \r\n"), FailureClass::TypeMismatch,
       "type mismatch: \"1.2.3\" is not a number (expected an input-to-hidden weight) (net.DLLFile, line 29)"},
      {"CountIsNotANumber", With(single, " 3  2  1 ", " 3  x  1 "), FailureClass::TypeMismatch, "line 2)"},
      {"BooleanIsNeitherTrueNorFalse", With(single, "False 1  2", "false 1  2"), FailureClass::TypeMismatch,
       "\"false\" is not \"True\" or \"False\""},
      {"FileEndsInTheWeights", single.substr(0, single.find(" 0.2 \r\n")), FailureClass::EndOfFile,
       "end of file: expected a hidden-to-output weight, found the end of the file"},
      {"FileEndsBeforeTheGrnnMarker", single.substr(0, single.find("*** GRNN")), FailureClass::EndOfFile,
       "the marker \"*** GRNN ***\""},
      {"EmptyFile", "", FailureClass::EndOfFile, "(net.DLLFile, line 1)"},
      {"CountBeyond16Bits", With(single, " 3  2  1 ", " 40000  2  1 "), FailureClass::Overflow,
       "\"40000\" (the variable count) does not fit a 16-bit integer (largest 32767) (net.DLLFile, line 2)"},
      {"InputPlusOutputCountBeyond16Bits", With(single, " 3  2  1 ", " 3  20000  20000 "), FailureClass::Overflow,
       "input variable count + output count = 40000"},
      {"HiddenPlusSlabCountBeyond16Bits", With(single, "False 1  2 ", "False 32767  2 "), FailureClass::Overflow,
       "hidden count + slab count = 32769"},
      {"DerivedColumnBeyond16Bits", With(single, " 2  0 \r\n 1 \r\n 2 \r\n", " 1  1 \r\n 1 \r\n 32767 \r\n"),
       FailureClass::Overflow, "does not fit a 16-bit column number (net.DLLFile, line 14)"},
      {"NegativeCount", With(single, " 3  2  1 ", " 3 -2  1 "), FailureClass::Subscript,
       "the input variable count is -2"},
      {"TwoBillionPatterns", noGrnnBase + dllfile::CrLf({"GRNN Info", "Holdout", " 0.5  2000000000 "}),
       FailureClass::EndOfFile, "expected 4000000000 training values"},
      {"HugeWeightTable", With(single, "False 1  2 ", "False 1  30000 "), FailureClass::EndOfFile,
       "slab names and weights"},
      {"NumberBeyondDoubleRange", With(single, " 0.75 \r\n", " 1E999 \r\n"), FailureClass::Overflow,
       "beyond the range of a double"},
  };
}

TEST_F(CompiledFileReader, EachErrorClassWithItsMessageAndLine) {
  for (const BadFile& bad : BadFiles()) {
    SCOPED_TRACE(bad.name);
    ResetLoadedNetwork();
    const Failure f = LoadFailure(bad.text);
    EXPECT_EQ(f.cls, bad.cls);
    EXPECT_NE(f.message.find(bad.message), std::string::npos) << f.message;
  }
}

TEST_F(CompiledFileReader, MissingFileIsFileNotFound) {
  dllfile::Folder folder;
  Net().ProjectPath = folder.Project("absent");
  try {
    LoadNetworkFile();
    FAIL() << "loaded a missing file";
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::FileNotFound);
    EXPECT_NE(f.message.find("absent.DLLFile"), std::string::npos) << f.message;
  }
}

}  // namespace
}  // namespace quenby
