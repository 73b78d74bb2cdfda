// The general regression network through ApplyNNet("GRNN", ...): hand-written
// compiled files with a GRNN section, results in the output column's units.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "dllfile_fixture.h"
#include "exponential.h"
#include "loaded_network.h"
#include "quenby.h"

namespace quenby {
namespace {

using dllfile::CrLf;
using Lines = std::vector<std::string>;

// Inputs X1 (0..10) and X2 (-5..5), output Y (10..30), no clustering, no
// back-propagation network; the GRNN section follows "GRNN Info".
std::string ProjectWithGrnn(const Lines& grnn) {
  Lines lines = {"*** General Project Info ***", " 3  2  1 ", "X1", "X2", "Y", " 1 ", " 2 ", " 3 ",
                 "*** Clustering ***", " 0  0 None", "*** Partitioning ***", " 2  0 ", " 1 ", " 2 ",
                 "*** Min and Max ***", " 0  10 ", "-5  5 ", " 10  30 ", " 0  0 ", " 0  0 ",
                 "*** BackProp ***", "No BackProp", "*** GRNN ***", "GRNN Info"};
  lines.insert(lines.end(), grnn.begin(), grnn.end());
  return CrLf(lines);
}

// Patterns in scaled units: (0, 0) -> 0.25, (1, -1) -> 0.75, (-0.5, 0.5) -> 0.5.
const Lines kPatterns = {" 0 ", " 0 ", " .25 ", " 1 ", "-1 ", " .75 ", "-.5 ", " .5 ", " .5 "};
const double kPatternInputs[3][2] = {{0, 0}, {1, -1}, {-0.5, 0.5}};
const double kPatternOutputs[3] = {0.25, 0.75, 0.5};

Lines With(Lines head, const Lines& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

struct Result {
  int32_t status;
  std::vector<double> cells;  // row by row
  int32_t rows = 0, cols = 0;
};

Result Apply(const std::string& project, const std::vector<std::vector<double>>& cases) {
  const int32_t columns = cases.empty() ? 0 : static_cast<int32_t>(cases[0].size());
  std::vector<double> cells;
  for (const auto& row : cases) cells.insert(cells.end(), row.begin(), row.end());
  QuenbyTable inputs{cells.data(), 1, static_cast<int32_t>(cases.size()), 1, columns};
  QuenbyTable out{};
  Result r;
  r.status = ApplyNNet("GRNN", project.c_str(), &inputs, &out);
  if (r.status == QUENBY_OK) {
    r.rows = out.row_upper;
    r.cols = out.col_upper;
    r.cells.assign(out.data, out.data + static_cast<size_t>(r.rows) * r.cols);
  }
  QuenbyFreeTable(&out);
  return r;
}

// The plain loop over the three patterns for one case, then output scaling.
double Expected(bool holdout, double sigma, double factor, double x1, double x2) {
  const double x[2] = {((x1 - 0) / (10 - 0)) * 2 - 1, ((x2 - -5) / (5 - -5)) * 2 - 1};
  double A = 0, W = 0;
  for (int p = 0; p < 3; ++p) {
    double D = 0;
    for (int j = 0; j < 2; ++j) {
      const double d = kPatternInputs[p][j] - x[j];
      D = holdout ? D + d * d : D + (d * d) / (factor * factor);
    }
    const double w = holdout ? quenby::Exp(-D / (sigma * sigma + sigma * sigma)) : quenby::Exp(-D);
    A = A + w * kPatternOutputs[p];
    W = W + w;
  }
  const double estimate = W > 1E-140 ? A / W : 1.0;
  return (30.0 - 10.0) * estimate + 10.0;
}

const std::vector<std::vector<double>> kCases = {{5, 0}, {10, -5}, {15, 5}, {2.5, 1.25}, {-40, 40}};

TEST(GrnnApply, HoldoutAndGeneticGiveTheWeightedMeanInDataUnits) {
  dllfile::Folder folder;
  const std::string holdout = folder.WithDllFile("holdout", ProjectWithGrnn(With({"Holdout", " .5  3 "}, kPatterns)));
  Lines genetic = {"Genetic", " 3 "};
  for (int i = 0; i < 6; ++i) genetic.push_back(" .8 ");
  const std::string gen = folder.WithDllFile("genetic", ProjectWithGrnn(With(genetic, kPatterns)));
  for (bool isHoldout : {true, false}) {
    const Result r = Apply(isHoldout ? holdout : gen, kCases);
    ASSERT_EQ(r.status, QUENBY_OK) << QuenbyLastError();
    ASSERT_EQ(r.rows, 5);
    ASSERT_EQ(r.cols, 1);
    for (size_t i = 0; i < kCases.size(); ++i) {
      const double want = Expected(isHoldout, 0.5, 0.8, kCases[i][0], kCases[i][1]);
      EXPECT_EQ(std::bit_cast<uint64_t>(r.cells[i]), std::bit_cast<uint64_t>(want))
          << (isHoldout ? "Holdout" : "Genetic") << " case " << i + 1 << ": " << r.cells[i] << " against " << want;
    }
  }
}

TEST(GrnnApply, NoPatternsGiveTheOutputMaximumAndOtherCalibrationsItsMinimum) {
  dllfile::Folder folder;
  struct Row {
    const char* name;
    Lines grnn;
    double expected;
  };
  const Row rows[] = {
      {"no patterns", {"Holdout", " .5  0 "}, 30.0},
      {"lower case", With({"holdout", " 3 ", " 1 ", " 1 ", " 1 ", " 1 ", " 1 ", " 1 "}, kPatterns), 10.0},
  };
  for (const Row& row : rows) {
    const std::string project = folder.WithDllFile("p", ProjectWithGrnn(row.grnn));
    const Result r = Apply(project, kCases);
    ASSERT_EQ(r.status, QUENBY_OK) << row.name << ": " << QuenbyLastError();
    for (double v : r.cells) EXPECT_EQ(v, row.expected) << row.name;
  }
}

TEST(GrnnApply, SigmaZeroIsAFloatingPointErrorNamingProjectCaseAndPattern) {
  dllfile::Folder folder;
  const std::string project = folder.WithDllFile("flat", ProjectWithGrnn(With({"Holdout", " 0  3 "}, kPatterns)));
  const Result r = Apply(project, kCases);
  EXPECT_EQ(r.status, QUENBY_FLOATING_POINT);
  const std::string message = QuenbyLastError();
  EXPECT_NE(message.find(project), std::string::npos) << message;
  EXPECT_NE(message.find("case 1, pattern 1"), std::string::npos) << message;
}

// Derived inputs from a clustering are scaled by their own derived columns.
TEST(GrnnApply, DerivedInputsAreScaledByTheirDerivedColumns) {
  dllfile::Folder folder;
  std::string text = dllfile::FixtureText("derived_conv.DLLFile");
  const std::string tail = "No GRNN\r\n";
  ASSERT_EQ(text.substr(text.size() - tail.size()), tail);
  text.resize(text.size() - tail.size());
  // Four inputs (two direct, two derived), two patterns.
  text += CrLf({"GRNN Info", "Holdout", " .7  2 ", " .1 ", "-.2 ", " .3 ", " 0 ", " .4 ", "-.9 ", " .8 ", " .5 ",
                "-.6 ", " .6 "});
  const std::string project = folder.WithDllFile("conv", text);
  const Result r = Apply(project, {{1, 0.5, 3}, {9, 0.1, 7}, {4, 0.9, 0}});
  ASSERT_EQ(r.status, QUENBY_OK) << QuenbyLastError();
  const LoadedNetwork& n = Net();
  ASSERT_EQ(n.DirectInputCount + n.DerivedInputCount, 4);
  for (int i = 1; i <= 3; ++i) {
    double A = 0, W = 0;
    for (int p = 1; p <= 2; ++p) {
      double D = 0;
      for (int j = 1; j <= 4; ++j) {
        const int c = n.NetInputColumns(j);
        const double x = n.VarMax(c) == n.VarMin(c)
                             ? 1.0
                             : ((n.NetInputs(i, j) - n.VarMin(c)) / (n.VarMax(c) - n.VarMin(c))) * 2 - 1;
        EXPECT_EQ(n.ScaledInputs(i, j), x);
        const double d = n.TrainingInputs(p, j) - x;
        D = D + d * d;
      }
      const double w = quenby::Exp(-D / (0.7 * 0.7 + 0.7 * 0.7));
      A = A + w * n.TrainingOutputs(p, 1);
      W = W + w;
    }
    const double want = (200.0 - 100.0) * (A / W) + 100.0;
    EXPECT_EQ(std::bit_cast<uint64_t>(r.cells[static_cast<size_t>(i - 1)]), std::bit_cast<uint64_t>(want))
        << "case " << i;
  }
}

}  // namespace
}  // namespace quenby
