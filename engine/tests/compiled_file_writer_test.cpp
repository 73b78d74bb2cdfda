#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "common/failure.h"
#include "compiled_file.h"
#include "dllfile_fixture.h"
#include "loaded_network.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;

// What a double must read back as: the value to 15 significant digits.
double To15(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  return std::strtod(buf, nullptr);
}

class CompiledFileWriter : public ::testing::Test {
 protected:
  void SetUp() override { ResetLoadedNetwork(); }
  void TearDown() override { ResetLoadedNetwork(); }
};

// A network with every section filled: clustering, derived inputs, slabs,
// a genetic general regression network; doubles over many magnitudes.
void FillNetwork(std::mt19937_64& rng, bool multiSlab, const std::string& calibration) {
  LoadedNetwork& n = Net();
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-30, 30);
  auto value = [&] {
    switch (rng() % 8) {
      case 0: return 0.0;
      case 1: return 1E-20;
      case 2: return -2.5E+20;
      case 3: return 0.1;
      default: return mantissa(rng) * std::pow(10.0, exponent(rng));
    }
  };
  n.VariableCount = 5;
  n.VariableTitles.Redim(5);
  const char* titles[] = {"", "Flow, main", "  Head", "\"Quoted\"", "Speed", "Power"};
  for (int i = 1; i <= 5; ++i) n.VariableTitles(i) = titles[i];
  n.InputVarCount = 3;
  n.InputVarColumns.Redim(3);
  for (int i = 1; i <= 3; ++i) n.InputVarColumns(i) = static_cast<int16_t>(i);
  n.OutputCount = 2;
  n.OutputColumns.Redim(2);
  n.OutputColumns(1) = 4;
  n.OutputColumns(2) = 5;
  n.ClusterCount = 3;
  n.ClusterVarCount = 2;
  n.ClusteringMode = "Fuzzy";
  n.ClusterVarFlags.Redim(5);
  n.ClusterVarFlags(1) = 1;
  n.ClusterVarFlags(3) = 1;
  n.ClusterCentres.Redim(3, 2);
  for (int c = 1; c <= 3; ++c)
    for (int p = 1; p <= 2; ++p) n.ClusterCentres(c, p) = value();
  n.DirectInputCount = 2;
  n.DerivedInputCount = 2;
  n.NetInputColumns.Redim(4);
  n.NetInputColumns(1) = 1;
  n.NetInputColumns(2) = 2;
  n.NetInputColumns(3) = 6;
  n.NetInputColumns(4) = 8;
  n.DerivedInputCodes.Redim(2);
  n.DerivedInputCodes(1) = 1;
  n.DerivedInputCodes(2) = 3;
  n.VarMin.Redim(10);
  n.VarMax.Redim(10);
  for (int g = 1; g <= 10; ++g) {
    n.VarMin(g) = value();
    n.VarMax(g) = value();
  }
  n.MultiSlab = multiSlab ? kTrue : kFalse;
  n.SlabCount = multiSlab ? 3 : 1;
  n.HiddenCount = 4;
  n.SlabActivations.Redim(n.SlabCount);
  if (multiSlab) {
    n.SlabActivations(1) = "tan Hyperbolic";
    n.SlabActivations(2) = "Gau. Complement";
    n.SlabActivations(3) = "Logistic";
  }
  n.InputWeights.Redim(5, 4);
  for (int l = 1; l <= 5; ++l)
    for (int h = 1; h <= 4; ++h) n.InputWeights(l, h) = value();
  n.OutputWeights.Redim(4 + n.SlabCount, 2);
  for (int m = 1; m <= 4 + n.SlabCount; ++m)
    for (int k = 1; k <= 2; ++k) n.OutputWeights(m, k) = value();
  n.GrnnCalibration = calibration;
  n.GrnnSmoothing = value();
  n.TrainingCount = 3;
  n.GeneticSmoothing.Redim(3, 4);
  n.TrainingInputs.Redim(3, 4);
  n.TrainingOutputs.Redim(3, 2);
  for (int p = 1; p <= 3; ++p) {
    for (int j = 1; j <= 4; ++j) {
      n.GeneticSmoothing(p, j) = value();
      n.TrainingInputs(p, j) = value();
    }
    for (int k = 1; k <= 2; ++k) n.TrainingOutputs(p, k) = value();
  }
}

void Expect15(const Array2<double>& got, const Array2<double>& want, int64_t rows, int64_t cols, const char* name) {
  ASSERT_GE(got.Upper1(), rows) << name;
  ASSERT_GE(got.Upper2(), cols) << name;
  for (int64_t i = 1; i <= rows; ++i)
    for (int64_t j = 1; j <= cols; ++j) EXPECT_EQ(got(i, j), To15(want(i, j))) << name << "(" << i << ", " << j << ")";
}

TEST_F(CompiledFileWriter, WriteThenLoadKeepsEveryValueTo15Digits) {
  std::mt19937_64 rng(20261207);
  for (int round = 0; round < 30; ++round) {
    const bool multiSlab = round % 2 == 0;
    const std::string calibration = round % 3 == 0 ? "Holdout" : round % 3 == 1 ? "Genetic" : "";
    SCOPED_TRACE(round);
    ResetLoadedNetwork();
    FillNetwork(rng, multiSlab, calibration);
    const LoadedNetwork want = Net();
    const std::string text = CompiledFileText(true, true);

    ResetLoadedNetwork();
    LoadNetworkText(text, "round.DLLFile");
    ConvertPendingGrnnSection();
    const LoadedNetwork& got = Net();
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(got.VariableTitles(i), want.VariableTitles(i));
    EXPECT_EQ(got.OutputColumns(2), 5);
    EXPECT_EQ(got.ClusteringMode, "Fuzzy");
    EXPECT_EQ(got.ClusterVarFlags(3), 1);
    Expect15(got.ClusterCentres, want.ClusterCentres, 3, 2, "ClusterCentres");
    EXPECT_EQ(got.NetInputColumns(4), 8);
    for (int g = 1; g <= 10; ++g) {
      EXPECT_EQ(got.VarMin(g), To15(want.VarMin(g)));
      EXPECT_EQ(got.VarMax(g), To15(want.VarMax(g)));
    }
    EXPECT_EQ(got.MultiSlab, want.MultiSlab);
    EXPECT_EQ(got.SlabCount, want.SlabCount);
    if (multiSlab) {
      EXPECT_EQ(got.SlabActivations(2), "Gau. Complement");
    }
    Expect15(got.InputWeights, want.InputWeights, 5, 4, "InputWeights");
    Expect15(got.OutputWeights, want.OutputWeights, 4 + want.SlabCount, 2, "OutputWeights");
    EXPECT_EQ(got.GrnnCalibration, calibration);
    EXPECT_EQ(got.TrainingCount, 3);
    if (calibration == "Holdout") {
      EXPECT_EQ(got.GrnnSmoothing, To15(want.GrnnSmoothing));
    } else {
      Expect15(got.GeneticSmoothing, want.GeneticSmoothing, 3, 4, "GeneticSmoothing");
    }
    Expect15(got.TrainingInputs, want.TrainingInputs, 3, 4, "TrainingInputs");
    Expect15(got.TrainingOutputs, want.TrainingOutputs, 3, 2, "TrainingOutputs");

    // A second write of what was loaded gives the same bytes.
    EXPECT_EQ(CompiledFileText(true, true), text);
  }
}

TEST_F(CompiledFileWriter, RendersTheItemFormsExactly) {
  LoadNetworkText(dllfile::FixtureText("single_slab.DLLFile"), "single_slab.DLLFile");
  EXPECT_EQ(CompiledFileText(true, false), dllfile::FixtureText("single_slab.DLLFile"));
  LoadNetworkText(dllfile::FixtureText("multi_slab.DLLFile"), "multi_slab.DLLFile");
  EXPECT_EQ(CompiledFileText(true, false), dllfile::FixtureText("multi_slab.DLLFile"));
  LoadNetworkText(dllfile::FixtureText("derived_conv.DLLFile"), "derived_conv.DLLFile");
  EXPECT_EQ(CompiledFileText(true, false), dllfile::FixtureText("derived_conv.DLLFile"));
  LoadNetworkText(dllfile::FixtureText("no_network.DLLFile"), "no_network.DLLFile");
  const std::string text = CompiledFileText(false, false);
  EXPECT_EQ(text, dllfile::FixtureText("no_network.DLLFile"));
  EXPECT_NE(text.find("\r\n 0  0 None\r\n"), std::string::npos);

  Net().MultiSlab = kFalse;
  Net().SlabCount = 1;
  Net().HiddenCount = 10;
  Net().InputWeights.Redim(2, 10);
  Net().OutputWeights.Redim(11, 1);
  std::string bp;
  AppendBackPropSection(bp);
  EXPECT_EQ(bp.substr(0, bp.find("\r\n", 15) + 2), "BackProp Info\r\nFalse 1  10 \r\n");
}

TEST_F(CompiledFileWriter, HoldoutLineCarriesSmoothingAndPatternCount) {
  LoadNetworkText(dllfile::FixtureText("no_network.DLLFile"), "no_network.DLLFile");
  LoadedNetwork& n = Net();
  n.GrnnCalibration = "Holdout";
  n.GrnnSmoothing = 0.125;
  n.TrainingCount = 1;
  n.TrainingInputs.Redim(1, 1);
  n.TrainingOutputs.Redim(1, 1);
  n.TrainingInputs(1, 1) = -1E-20;
  n.TrainingOutputs(1, 1) = 12345678901234567.0;
  std::string out;
  AppendGrnnSection(out);
  EXPECT_EQ(out, "GRNN Info\r\nHoldout\r\n 0.125  1 \r\n-1E-20 \r\n 1.23456789012346E+16 \r\n");
}

TEST_F(CompiledFileWriter, TableSmallerThanItsCountsIsSubscriptFailure) {
  struct Case {
    const char* name;
    void (*shrink)(LoadedNetwork&);
    void (*write)(std::string&);
  };
  const Case cases[] = {
      {"weight set with fewer hidden neurons", [](LoadedNetwork& n) { n.HiddenCount = 5; }, AppendBackPropSection},
      {"fewer output weight rows", [](LoadedNetwork& n) { n.OutputWeights.Redim(3, 2); }, AppendBackPropSection},
      {"fewer genetic rows than patterns",
       [](LoadedNetwork& n) {
         n.GrnnCalibration = "Genetic";
         n.GeneticSmoothing.Redim(2, 4);
       },
       AppendGrnnSection},
      {"fewer pattern values than inputs", [](LoadedNetwork& n) { n.TrainingInputs.Redim(3, 3); }, AppendGrnnSection},
      {"fewer titles", [](LoadedNetwork& n) { n.VariableTitles.Redim(4); }, AppendGeneralSection},
      {"fewer ranges", [](LoadedNetwork& n) { n.VarMax.Redim(9); }, AppendGeneralSection},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetLoadedNetwork();
    std::mt19937_64 rng(1);
    FillNetwork(rng, false, "Holdout");
    c.shrink(Net());
    std::string out;
    try {
      c.write(out);
      ADD_FAILURE() << "wrote " << out.size() << " bytes";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, FailureClass::Subscript) << f.message;
    }
  }
}

TEST_F(CompiledFileWriter, TablesNeverAllocatedAreFineWhenTheirCountIsZero) {
  // A project without a design file: no input columns, no derived codes.
  LoadedNetwork& n = Net();
  n.VariableCount = 1;
  n.VariableTitles.Redim(1);
  n.VariableTitles(1) = "Only";
  n.ClusteringMode = "None";
  n.VarMin.Redim(16);
  n.VarMax.Redim(16);
  const std::string text = CompiledFileText(false, false);
  EXPECT_NE(text.find("*** Partitioning ***\r\n 0  0 \r\n*** Min and Max ***\r\n"), std::string::npos) << text;
  ResetLoadedNetwork();
  LoadNetworkText(text, "bare.DLLFile");
  EXPECT_EQ(Net().VarMin.Upper(), 3);
}

TEST_F(CompiledFileWriter, RefusesValuesTheLoaderCouldNotReadBack) {
  std::mt19937_64 rng(2);
  FillNetwork(rng, false, "Holdout");
  Net().InputWeights(2, 2) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(CompiledFileText(true, true), Failure);
  Net().InputWeights(2, 2) = 0;
  Net().VariableTitles(2) = "two\r\nlines";
  EXPECT_THROW(CompiledFileText(true, true), Failure);
}

}  // namespace
}  // namespace quenby
