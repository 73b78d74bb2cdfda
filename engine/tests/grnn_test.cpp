// The general regression pass on networks filled in directly: the worked
// cases of the kernel, scaling without clamping, the calibration texts, the
// floating-point and table faults, and bit-identity of the fast path with
// the plain loop on random networks.
#include "grnn.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/failure.h"
#include "exponential_lanes.h"
#include "grnn_kernel.h"
#include "kernel_execution.h"
#include "loaded_network.h"

namespace quenby {
namespace {

// A network with `inputs` direct inputs on columns 1..inputs (each ranging
// -1..1, so a raw value is its own scaled value), `outputs` outputs,
// `patterns` patterns (all zero) and `cases` rows of raw inputs (all zero).
void MakeNetwork(int16_t inputs, int16_t outputs, int32_t patterns, int32_t cases, const std::string& calibration,
                 double sigma = 1.0) {
  ResetLoadedNetwork();
  LoadedNetwork& n = Net();
  n.ProjectPath = "nets/demo";
  n.VariableCount = static_cast<int16_t>(inputs + outputs);
  n.OutputCount = outputs;
  n.DirectInputCount = inputs;
  n.NetInputColumns.Redim(inputs);
  for (int j = 1; j <= inputs; ++j) n.NetInputColumns(j) = static_cast<int16_t>(j);
  n.VarMin.Redim(n.VariableCount + 2);
  n.VarMax.Redim(n.VariableCount + 2);
  for (int c = 1; c <= n.VariableCount + 2; ++c) {
    n.VarMin(c) = -1.0;
    n.VarMax(c) = 1.0;
  }
  n.GrnnCalibration = calibration;
  n.GrnnSmoothing = sigma;
  n.TrainingCount = patterns;
  n.TrainingInputs.Redim(patterns, inputs);
  n.TrainingOutputs.Redim(patterns, outputs);
  n.GeneticSmoothing.Redim(patterns, inputs);
  for (int32_t p = 1; p <= patterns; ++p)
    for (int j = 1; j <= inputs; ++j) n.GeneticSmoothing(p, j) = std::sqrt(2.0) * sigma;
  n.NetInputs.Redim(cases, inputs);
  n.NetOutputs.Redim(cases, outputs);
}

// Runs RunGrnn and expects every output to equal, bit for bit, the plain
// loop's estimate of it (HoldoutEstimate, GeneticEstimate): a second route
// to the same sums, one case, output and pattern at a time. The plain
// loop's values are pinned by hand-computed cases above and below.
void ExpectMatchesPlainLoop(const std::string& label) {
  RunGrnn();
  const LoadedNetwork& n = Net();
  const auto patterns = n.TrainingCount;
  const auto inputs = static_cast<int16_t>(n.DirectInputCount + n.DerivedInputCount);
  for (int32_t i = 1; i <= n.NetOutputs.Upper1(); ++i)
    for (int16_t k = 1; k <= n.OutputCount; ++k) {
      const double want = n.GrnnCalibration == "Holdout" ? HoldoutEstimate(n.GrnnSmoothing, i, patterns, inputs, k)
                                                         : GeneticEstimate(i, patterns, inputs, k);
      ASSERT_EQ(std::bit_cast<uint64_t>(n.NetOutputs(i, k)), std::bit_cast<uint64_t>(want))
          << label << ": case " << i << ", output " << k << ": " << n.NetOutputs(i, k) << " against " << want;
    }
}

common::Failure RunGrnnExpectingFailure() {
  try {
    RunGrnn();
  } catch (const common::Failure& f) {
    return f;
  }
  ADD_FAILURE() << "RunGrnn did not fail";
  return {};
}

// Restores automatic execution after a test that forced an ISA or threads.
struct ExecutionGuard {
  KernelExecution saved = KernelExecutionSettings();
  ~ExecutionGuard() { KernelExecutionSettings() = saved; }
};

TEST(GrnnEstimate, NoPatternsGiveOneForEveryOutput) {
  for (const char* calibration : {"Holdout", "Genetic"}) {
    MakeNetwork(2, 3, 0, 4, calibration);
    RunGrnn();
    for (int i = 1; i <= 4; ++i)
      for (int k = 1; k <= 3; ++k) EXPECT_EQ(Net().NetOutputs(i, k), 1.0) << calibration;
    EXPECT_EQ(Net().NetOutputs(0, 0), 0.0);
  }
}

TEST(GrnnEstimate, PatternEqualToTheCaseGivesItsOutputExactly) {
  for (const char* calibration : {"Holdout", "Genetic"}) {
    MakeNetwork(3, 2, 1, 1, calibration, 0.25);
    LoadedNetwork& n = Net();
    const double raw[] = {0.1, -0.7, 0.3};
    for (int j = 1; j <= 3; ++j) n.NetInputs(1, j) = raw[j - 1];
    // Stored patterns are in scaled units: take the case's own scaled values.
    for (int j = 1; j <= 3; ++j) n.TrainingInputs(1, j) = ((raw[j - 1] + 1.0) / 2.0) * 2 - 1;
    n.TrainingOutputs(1, 1) = 0.123456789;
    n.TrainingOutputs(1, 2) = -3.5;
    RunGrnn();
    EXPECT_EQ(n.NetOutputs(1, 1), 0.123456789) << calibration;
    EXPECT_EQ(n.NetOutputs(1, 2), -3.5) << calibration;
  }
}

TEST(GrnnEstimate, PatternsAtZeroAndTwoSigmaSquaredWeighOneAndEToTheMinusOne) {
  MakeNetwork(2, 1, 2, 1, "Holdout", 1.0);
  LoadedNetwork& n = Net();
  n.TrainingInputs(2, 1) = 1.0;  // the case scales to (0, 0): distance 1 + 1 = 2 = 2 sigma^2
  n.TrainingInputs(2, 2) = 1.0;
  n.TrainingOutputs(1, 1) = 0.2;
  n.TrainingOutputs(2, 1) = 0.9;
  RunGrnn();
  const double e = quenby::Exp(-1.0);
  EXPECT_EQ(n.NetOutputs(1, 1), (0.2 + e * 0.9) / (1.0 + e));
}

TEST(GrnnEstimate, WeightSumAtOrBelowTheThresholdGivesOne) {
  struct Row {
    double distance;  // squared distance to the only pattern, sigma 1
    double expected;
  };
  // 700: e^-350 ~ 1E-152, below 1E-140. 600: e^-300 ~ 5E-131, above it.
  // 1600: e^-800 underflows to 0, which is no failure.
  const Row rows[] = {{700.0, 1.0}, {600.0, 0.5}, {1600.0, 1.0}};
  for (const Row& r : rows) {
    MakeNetwork(4, 1, 1, 1, "Holdout", 1.0);
    for (int j = 1; j <= 4; ++j) Net().TrainingInputs(1, j) = std::sqrt(r.distance / 4);
    Net().TrainingOutputs(1, 1) = 0.5;
    RunGrnn();
    EXPECT_EQ(Net().NetOutputs(1, 1), r.expected) << "distance " << r.distance;
  }
}

// A weight that underflows to a subnormal still counts: with every other
// output 0 it is the whole estimate.
TEST(GrnnEstimate, SubnormalWeightsStillCount) {
  MakeNetwork(1, 1, 2, 1, "Holdout", 1.0);
  LoadedNetwork& n = Net();
  n.TrainingInputs(1, 1) = std::sqrt(1440.0);  // q about -720
  n.TrainingOutputs(1, 1) = 1.0;
  RunGrnn();
  const double D = n.TrainingInputs(1, 1) * n.TrainingInputs(1, 1);
  const double w = quenby::Exp(-D / 2.0);
  ASSERT_GT(w, 0.0);
  ASSERT_LT(w, DBL_MIN);
  EXPECT_EQ(n.NetOutputs(1, 1), w);
}

TEST(GrnnScaling, NoClampingAndEqualRangesGiveOne) {
  struct Row {
    double lo, hi, raw, expected;
  };
  const double nan = std::nan("");
  const Row rows[] = {
      {0, 10, 0, -1}, {0, 10, 5, 0},    {0, 10, 10, 1},   {0, 10, 15, 2},  {0, 10, -5, -2},
      {7, 7, 7, 1},   {7, 7, -300, 1},  {nan, 3, 2, 1},   {-2, 2, 1, 0.5},
  };
  for (const Row& r : rows) {
    MakeNetwork(1, 1, 0, 1, "Holdout");
    Net().VarMin(1) = r.lo;
    Net().VarMax(1) = r.hi;
    Net().NetInputs(1, 1) = r.raw;
    RunGrnn();
    EXPECT_EQ(Net().ScaledInputs(1, 1), r.expected) << r.raw << " over " << r.lo << ".." << r.hi;
  }
}

TEST(GrnnScaling, InputsScaleByTheirOwnColumnAndTheTableHasNoBiasColumn) {
  MakeNetwork(2, 1, 0, 2, "Holdout");
  LoadedNetwork& n = Net();
  n.NetInputColumns(1) = 3;  // output column's range: -1..1
  n.NetInputColumns(2) = 4;
  n.VarMin(4) = 100;
  n.VarMax(4) = 200;
  n.NetInputs(2, 1) = 0.5;
  n.NetInputs(2, 2) = 175;
  RunGrnn();
  EXPECT_EQ(n.ScaledInputs.Upper1(), 2);
  EXPECT_EQ(n.ScaledInputs.Upper2(), 2);
  EXPECT_EQ(n.ScaledInputs(2, 1), 0.5);
  EXPECT_EQ(n.ScaledInputs(2, 2), 0.5);
}

TEST(GrnnCalibration, OnlyTheExactTextsEvaluate) {
  for (const char* text : {"holdout", "Holdout ", " Holdout", "", "genetic", "Genetic ", "GRNN"}) {
    MakeNetwork(1, 2, 3, 2, text);
    Net().NetInputs(2, 1) = 0.5;
    RunGrnn();
    for (int i = 1; i <= 2; ++i)
      for (int k = 1; k <= 2; ++k) EXPECT_EQ(Net().NetOutputs(i, k), 0.0) << '"' << text << '"';
    EXPECT_EQ(Net().ScaledInputs(2, 1), 0.5) << "the inputs are scaled whatever the calibration";
  }
}

TEST(GrnnCalibration, GeneticWithRootTwoSigmaMatchesHoldoutWithSigma) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const double sigma = 0.6;
  MakeNetwork(5, 2, 40, 9, "Holdout", sigma);
  LoadedNetwork& n = Net();
  for (int p = 1; p <= 40; ++p) {
    for (int j = 1; j <= 5; ++j) n.TrainingInputs(p, j) = u(rng);
    for (int k = 1; k <= 2; ++k) n.TrainingOutputs(p, k) = u(rng);
  }
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 5; ++j) n.NetInputs(i, j) = u(rng);
  RunGrnn();
  const Array2<double> holdout = n.NetOutputs;
  n.GrnnCalibration = "Genetic";
  RunGrnn();
  for (int i = 1; i <= 9; ++i)
    for (int k = 1; k <= 2; ++k) {
      EXPECT_NEAR(n.NetOutputs(i, k), holdout(i, k), 1e-12) << "case " << i << ", output " << k;
      EXPECT_NE(n.NetOutputs(i, k), 0.0);
    }
}

TEST(GrnnCalibration, NoCasesOrNoOutputsComputeNothingAndCannotFail) {
  MakeNetwork(2, 0, 3, 5, "Holdout", 0.0);
  EXPECT_NO_THROW(RunGrnn());
  MakeNetwork(2, 1, 3, 0, "Holdout", 0.0);
  EXPECT_NO_THROW(RunGrnn());
  EXPECT_EQ(Net().ScaledInputs.Upper1(), 0);
}

struct FaultRow {
  const char* name;
  std::function<void()> setUp;  // changes the network of MakeNetwork(3, 2, 5, 4, calibration, 0.5)
  const char* calibration;
  common::FailureClass cls;
  std::vector<std::string> parts;  // each must appear in the message
};

TEST(GrnnFaults, EachFaultNamesWhatAndWhere) {
  const auto F = common::FailureClass::FloatingPoint;
  const auto S = common::FailureClass::Subscript;
  const FaultRow rows[] = {
      {"sigma 0", [] { Net().GrnnSmoothing = 0.0; }, "Holdout", F,
       {"\"nets/demo\"", "smoothing factor 0 divides by zero", "case 1, pattern 1"}},
      {"sigma 0 with the case on the pattern (0/0)",
       [] {
         Net().GrnnSmoothing = 0.0;
         Net().TrainingInputs.Redim(5, 3);
       },
       "Holdout", F, {"divides by zero", "case 1, pattern 1"}},
      {"sigma squares to 0", [] { Net().GrnnSmoothing = 1e-170; }, "Holdout", F,
       {"1E-170 squares to 0", "case 1, pattern 1"}},
      {"sigma squared overflows", [] { Net().GrnnSmoothing = 1e200; }, "Holdout", F,
       {"overflows when squared", "case 1, pattern 1"}},
      {"genetic factor 0 reached at pattern 4", [] { Net().GeneticSmoothing(4, 2) = 0.0; }, "Genetic", F,
       {"smoothing factor of input 2 (0)", "case 1, pattern 4"}},
      {"distance overflows at case 3", [] { Net().NetInputs(3, 2) = 1e300; }, "Holdout", F,
       {"squared distance overflows", "case 3, pattern 1"}},
      {"pattern input not a number", [] { Net().TrainingInputs(2, 3) = std::nan(""); }, "Genetic", F,
       {"not a number", "case 1, pattern 2"}},
      {"weighted sum overflows at pattern 3", [] {
         Net().TrainingOutputs(2, 2) = 1.5e308;
         Net().TrainingOutputs(3, 2) = 1.5e308;
       },
       "Holdout", F, {"weighted sum of output 2 overflows", "case 1, pattern 3"}},
      {"input scales beyond a double",
       [] {
         Net().VarMin(1) = 0.0;
         Net().VarMax(1) = 1e-10;
         Net().NetInputs(2, 1) = 1e300;
       },
       "Holdout", F,
       {"input 1 of case 2", "does not scale to a finite value"}},
      {"too few pattern rows", [] { Net().TrainingInputs.Redim(4, 3); }, "Holdout", S,
       {"TrainingInputs is (0 To 4, 0 To 3)", "(5, 3)"}},
      {"too few output columns", [] { Net().TrainingOutputs.Redim(5, 1); }, "Genetic", S,
       {"TrainingOutputs"}},
      {"too few genetic columns", [] { Net().GeneticSmoothing.Redim(5, 2); }, "Genetic", S,
       {"GeneticSmoothing"}},
      {"input column beyond VarMin", [] { Net().NetInputColumns(2) = 40; }, "Genetic", S, {"VarMin(40)"}},
      {"input count beyond 16 bits",
       [] {
         Net().DirectInputCount = 30000;
         Net().DerivedInputCount = 3000;
       },
       "Holdout", common::FailureClass::Overflow, {"33000"}},
  };
  for (int threads : {1, 2}) {
    ExecutionGuard guard;
    KernelExecutionSettings().threads = threads;
    for (const FaultRow& r : rows) {
      MakeNetwork(3, 2, 5, 4, r.calibration, 0.5);
      for (int p = 1; p <= 5; ++p)
        for (int j = 1; j <= 3; ++j) Net().TrainingInputs(p, j) = 0.1 * p - 0.05 * j;
      r.setUp();
      const common::Failure f = RunGrnnExpectingFailure();
      EXPECT_EQ(f.cls, r.cls) << r.name << ": " << f.message;
      for (const std::string& part : r.parts)
        EXPECT_NE(f.message.find(part), std::string::npos) << r.name << ": " << f.message;
    }
  }
}

TEST(GrnnFaults, GeneticFactorZeroThatIsNeverReachedIsNoFault) {
  MakeNetwork(2, 1, 3, 2, "Genetic");
  Net().GeneticSmoothing.Redim(4, 3);  // a larger table: row 4 and column 3 are never read
  for (int p = 1; p <= 3; ++p)
    for (int j = 1; j <= 2; ++j) Net().GeneticSmoothing(p, j) = 1.0;
  EXPECT_NO_THROW(RunGrnn());
  EXPECT_TRUE(std::isfinite(Net().NetOutputs(2, 1)));
}

TEST(GrnnFaults, TheEarliestFaultingCaseIsReportedWhateverTheThreads) {
  ExecutionGuard guard;
  for (int threads : {1, 2, 3}) {
    KernelExecutionSettings().threads = threads;
    MakeNetwork(2, 1, 20, 300, "Holdout");
    Net().NetInputs(290, 1) = 1e300;
    Net().NetInputs(170, 2) = 1e300;
    const common::Failure f = RunGrnnExpectingFailure();
    EXPECT_NE(f.message.find("case 170, pattern 1"), std::string::npos) << threads << ": " << f.message;
  }
}

// Far patterns' weights: +0 from the lanes of every set as from Exp, and
// the smallest subnormals just above.
TEST(GrnnFastPath, FarPatternsWeighPlusZeroInEveryLane) {
  const std::vector<double> q = {-745.2000000000001, -800.0, -1000.0, -1e6, -1e300, -DBL_MAX, -744.0, -745.13};
  for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512}) {
    std::vector<double> w = q;
    ExpArray(isa, w.data(), w.size());
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(std::bit_cast<uint64_t>(w[i]), uint64_t{0}) << q[i];
    EXPECT_EQ(w[6], 0x1p-1073) << "e^-744 is 1.9 times the smallest subnormal";
    EXPECT_EQ(w[7], 0x1p-1074) << "e^-745.13 is 0.53 times the smallest subnormal";
  }
}

// The fast path against the plain loop on random networks of awkward shapes: pattern counts off the block size, no
// inputs, far cases whose weights vanish, outputs of every sign.
TEST(GrnnFastPath, BitIdenticalToThePlainLoopOnRandomNetworks) {
  struct Shape {
    int16_t inputs, outputs;
    int32_t patterns, cases;
  };
  const Shape shapes[] = {{1, 1, 1, 1},   {3, 2, 17, 5},   {7, 3, 33, 11},  {50, 1, 100, 9},
                          {0, 2, 5, 3},   {12, 4, 16, 64}, {5, 1, 250, 70}, {2, 2, 31, 1},
                          {50, 2, 1500, 6}};  // several pattern-block chunks
  std::vector<VectorIsa> isas;
  for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512})
    if (VectorIsaAvailable(isa)) isas.push_back(isa);
  std::mt19937_64 rng(20261207);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::uniform_real_distribution<double> factor(0.05, 3.0);
  ExecutionGuard guard;
  int seed = 0;
  for (const Shape& s : shapes)
    for (const char* calibration : {"Holdout", "Genetic"}) {
      ++seed;
      MakeNetwork(s.inputs, s.outputs, s.patterns, s.cases, calibration, 0.05 + 0.1 * (seed % 7));
      LoadedNetwork& n = Net();
      for (int c = 1; c <= s.inputs; ++c) {
        n.VarMin(c) = -5.0 * factor(rng);
        n.VarMax(c) = 5.0 * factor(rng);
      }
      for (int p = 1; p <= s.patterns; ++p) {
        for (int j = 1; j <= s.inputs; ++j) {
          n.TrainingInputs(p, j) = u(rng);
          n.GeneticSmoothing(p, j) = factor(rng) * (p % 2 ? 1 : -1);
        }
        for (int k = 1; k <= s.outputs; ++k) n.TrainingOutputs(p, k) = 100 * u(rng);
      }
      for (int i = 1; i <= s.cases; ++i)
        for (int j = 1; j <= s.inputs; ++j) n.NetInputs(i, j) = (i % 4 == 0 ? 40 : i % 4 == 1 ? 6 : 2) * u(rng);
      for (VectorIsa isa : isas)
        for (int threads : {1, 2}) {
          KernelExecutionSettings() = {isa, threads};
          ExpectMatchesPlainLoop(std::string(calibration) + " nIn " + std::to_string(s.inputs) + " P " +
                                 std::to_string(s.patterns) + " isa " + std::to_string(static_cast<int>(isa)) +
                                 " threads " + std::to_string(threads));
        }
    }
}

}  // namespace
}  // namespace quenby
