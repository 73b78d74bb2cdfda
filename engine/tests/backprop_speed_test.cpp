// The fast back-propagation pass (cases in vector lanes, threads over cases)
// gives the same bits on every instruction set this processor runs and every
// thread count, agrees with the plain pass where that takes over, and fails
// where the plain pass fails, with its message.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "backprop.h"
#include "backprop_kernel.h"
#include "kernel_execution.h"
#include "common/failure.h"
#include "dllfile_fixture.h"
#include "loaded_network.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using dllfile::Install;
using dllfile::RefNetwork;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Restores the execution settings and the loaded network after each test.
class BackPropSpeed : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = KernelExecutionSettings();
    ResetLoadedNetwork();
  }
  void TearDown() override {
    KernelExecutionSettings() = saved_;
    ResetLoadedNetwork();
  }
  static std::vector<VectorIsa> Isas() {
    std::vector<VectorIsa> isas;
    for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512})
      if (VectorIsaAvailable(isa)) isas.push_back(isa);
    return isas;
  }

 private:
  KernelExecution saved_{};
};

// Weights on [-spread, spread]: a large spread drives many sums beyond +-15,
// where the activations saturate.
RefNetwork RandomNetwork(std::mt19937_64& rng, int inputs, int hidden, int outputs, std::vector<std::string> slabs,
                         bool multiSlab, double spread) {
  std::uniform_real_distribution<double> w(-spread, spread);
  std::uniform_real_distribution<double> u(-1, 1);
  RefNetwork net;
  net.multiSlab = multiSlab;
  net.slabs = std::move(slabs);
  net.inputWeights.assign(inputs + 1, std::vector<double>(hidden));
  for (auto& row : net.inputWeights)
    for (double& v : row) v = w(rng);
  const size_t units = hidden + (multiSlab ? net.slabs.size() : 1);
  net.outputWeights.assign(units, std::vector<double>(outputs));
  for (auto& row : net.outputWeights)
    for (double& v : row) v = w(rng);
  for (int j = 0; j < inputs; ++j) {
    const double lo = u(rng) * 10;
    net.min.push_back(lo);
    net.max.push_back(j % 5 == 4 ? lo : lo + std::abs(u(rng)) * 10 + 0.1);  // some equal ranges
  }
  return net;
}

std::vector<std::vector<double>> RandomCases(std::mt19937_64& rng, int count, int inputs) {
  std::uniform_real_distribution<double> x(-14, 14);  // some beyond the ranges: clamped
  std::vector<std::vector<double>> cases(count, std::vector<double>(inputs));
  for (auto& c : cases)
    for (double& v : c) v = x(rng);
  return cases;
}

// The tables one pass left behind, to hold other passes against.
struct PassResult {
  Array2<double> scaled, outputs;
};

PassResult RunWith(KernelExecution settings, const RefNetwork& net, const std::vector<std::vector<double>>& cases) {
  KernelExecutionSettings() = settings;
  ResetLoadedNetwork();
  Install(net, cases);
  RunBackProp();
  return {Net().ScaledInputs, Net().NetOutputs};
}

void ExpectSameBits(const Array2<double>& got, const Array2<double>& want, const char* what) {
  ASSERT_EQ(got.Upper1(), want.Upper1()) << what;
  ASSERT_EQ(got.Upper2(), want.Upper2()) << what;
  for (int64_t i = 1; i <= want.Upper1(); ++i)
    for (int64_t j = 1; j <= want.Upper2(); ++j)
      ASSERT_TRUE(SameBits(got(i, j), want(i, j))) << what << " (" << i << ", " << j << "): " << got(i, j) << " vs "
                                                   << want(i, j);
}

// The baseline set on one thread is pinned to hand-computed values by the
// back-propagation tests; every other set and thread count must give its bits.
TEST_F(BackPropSpeed, EveryInstructionSetAndThreadCountGivesTheSameBits) {
  // Shapes around the group sizes (16, 8 and 4 cases; 12, 6, 4 and 1
  // neurons at a time) and the sizes the benchmark and the driver use.
  struct Shape {
    int inputs, hidden, outputs;
    std::vector<std::string> slabs;
    bool multi;
    int cases;
    double spread;
  } shapes[] = {
      {55, 64, 2, {"Logistic"}, false, 1000, 0.4},
      {55, 64, 2, {"Logistic", "tan Hyperbolic"}, true, 1000, 0.4},
      {3, 13, 3, {"Gaussian", "Gau. Complement", "tan Hyperbolic"}, true, 37, 4},
      {9, 25, 1, {"tan Hyperbolic", "Logistic", "Other", "Gaussian"}, true, 250, 8},
      {1, 0, 1, {"Logistic"}, false, 17, 1},
      {7, 5, 2, {"Gaussian"}, false, 1, 20},  // names ignored: Logistic throughout
      {12, 11, 4, {"Logistic"}, true, 100, 30},
      {40, 3, 2, {"Gau. Complement", "Logistic"}, true, 15, 2},
  };
  std::mt19937_64 rng(2024);
  for (const Shape& s : shapes) {
    const RefNetwork net = RandomNetwork(rng, s.inputs, s.hidden, s.outputs, s.slabs, s.multi, s.spread);
    const auto cases = RandomCases(rng, s.cases, s.inputs);
    const PassResult want = RunWith({VectorIsa::Baseline, 1}, net, cases);
    for (VectorIsa isa : Isas()) {
      for (int threads : {1, 2, 3, 0}) {
        SCOPED_TRACE(::testing::Message()
                     << "nIn " << s.inputs << " hidden " << s.hidden << " slabs " << s.slabs.size() << " cases "
                     << s.cases << " isa " << static_cast<int>(isa) << " threads " << threads);
        const PassResult got = RunWith({isa, threads}, net, cases);
        ExpectSameBits(got.scaled, want.scaled, "ScaledInputs");
        ExpectSameBits(got.outputs, want.outputs, "NetOutputs");
      }
    }
  }
}

// Inputs 1 and 2 of every case scale to 0 except in case `bad`, where both
// scale to 1. With weights 1e308 from inputs 1 and 2 into `spoilHidden`, or
// from output units 1 and 2 into output 1 (hidden neuron 1 saturating at 1
// only in case `bad`), exactly one sum in the table overflows.
void InstallOneBadCase(int cases, int bad, bool spoilHidden, bool clean = false) {
  std::mt19937_64 rng(11);
  RefNetwork net = RandomNetwork(rng, 4, 9, 2, {"Logistic"}, false, 1);
  std::vector<std::vector<double>> rows = RandomCases(rng, cases, 4);
  for (int j = 0; j < 2; ++j) {
    net.min[j] = -10;
    net.max[j] = 10;
    for (int i = 0; i < cases; ++i) rows[i][j] = i + 1 == bad && !clean ? 1e9 : 0.0;
  }
  if (spoilHidden) {
    net.inputWeights[1][1] = 1e308;
    net.inputWeights[2][1] = 1e308;
  } else {
    for (auto& row : net.inputWeights) row[0] = 0.0;
    net.inputWeights[1][0] = 100;  // neuron 1 saturates: 1 in case `bad`, 0.5 elsewhere
    net.outputWeights[0][0] = 1e308;
    net.outputWeights[1][0] = 1e308;
  }
  Install(net, rows);
}

TEST_F(BackPropSpeed, ANonFiniteSumFailsAtTheSameCaseWithThePlainMessage) {
  const int cases = 100;
  for (bool hidden : {true, false}) {
    for (int bad : {1, 16, 17, 50, 51, 100}) {
      for (VectorIsa isa : Isas()) {
        for (int threads : {1, 2, 3}) {
          SCOPED_TRACE(::testing::Message() << (hidden ? "hidden" : "output") << " sum, case " << bad << " isa "
                                            << static_cast<int>(isa) << " threads " << threads);
          KernelExecutionSettings() = {isa, threads};
          ResetLoadedNetwork();
          InstallOneBadCase(cases, bad, hidden, true);
          RunBackProp();
          const Array2<double> clean = Net().NetOutputs;
          ResetLoadedNetwork();
          InstallOneBadCase(cases, bad, hidden);
          try {
            RunBackProp();
            ADD_FAILURE() << "no failure";
          } catch (const Failure& f) {
            EXPECT_EQ(f.cls, FailureClass::FloatingPoint);
            const std::string want = hidden ? "the weighted sum into hidden neuron 2 of case " + std::to_string(bad)
                                            : "the weighted sum into output neuron 1 of case " + std::to_string(bad);
            EXPECT_NE(f.message.find(want + " is infinite"), std::string::npos) << f.message;
          }
          // Every case before the failing one has its outputs, the plain
          // pass's (from the failing group on) with the same bits as the
          // fast pass's.
          for (int i = 1; i < bad; ++i)
            for (int k = 1; k <= 2; ++k) ASSERT_TRUE(SameBits(Net().NetOutputs(i, k), clean(i, k))) << "case " << i;
        }
      }
    }
  }
}

TEST_F(BackPropSpeed, AnInputThatIsNotANumberFailsInTheScalingWhateverTheThreads) {
  for (int bad : {1, 33, 64}) {
    for (int threads : {1, 2}) {
      SCOPED_TRACE(::testing::Message() << "case " << bad << " threads " << threads);
      KernelExecutionSettings().threads = threads;
      ResetLoadedNetwork();
      std::mt19937_64 rng(3);
      Install(RandomNetwork(rng, 20, 4, 1, {"Logistic"}, false, 1), RandomCases(rng, 64, 20));
      Net().NetInputs(bad, 17) = std::nan("");
      try {
        RunBackProp();
        ADD_FAILURE() << "no failure";
      } catch (const Failure& f) {
        EXPECT_EQ(f.cls, FailureClass::FloatingPoint);
        EXPECT_NE(f.message.find("the scaled value of an input"), std::string::npos) << f.message;
      }
      for (int i = 1; i < bad; ++i) ASSERT_EQ(Net().ScaledInputs(i, 1), 1.0) << "case " << i << " was scaled";
    }
  }
}

TEST_F(BackPropSpeed, ARangeTooWideForADoubleFailsAsInThePlainPass) {
  std::mt19937_64 rng(9);
  Install(RandomNetwork(rng, 3, 2, 1, {"Logistic"}, false, 1), RandomCases(rng, 40, 3));
  Net().VarMin(2) = -1e308;
  Net().VarMax(2) = 1e308;
  Net().NetInputs(40, 2) = 0.0;  // inside the range: the formula is reached
  try {
    RunBackProp();
    ADD_FAILURE() << "no failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::FloatingPoint);
    EXPECT_NE(f.message.find("the range of a column"), std::string::npos) << f.message;
  }
}

TEST_F(BackPropSpeed, NoSlabsAsksForSlabsBeyondTheTable) {
  std::mt19937_64 rng(4);
  Install(RandomNetwork(rng, 2, 3, 1, {"Logistic"}, true, 1), RandomCases(rng, 5, 2));
  Net().SlabCount = 0;  // the slab counter never wraps: neuron 2 asks for slab 2
  try {
    RunBackProp();
    ADD_FAILURE() << "no failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::Subscript);
    EXPECT_NE(f.message.find("SlabActivations(2)"), std::string::npos) << f.message;
  }
}

}  // namespace
}  // namespace quenby

namespace quenby {
namespace {

// The engine asks the processor itself; it must find what the compiler's own
// feature table finds, or a kernel would run on a machine without it.
TEST(VectorIsa, FoundAsTheCompilersFeatureTableFindsIt) {
#if QUENBY_WIDE_VECTORS
  __builtin_cpu_init();
  EXPECT_EQ(VectorIsaAvailable(VectorIsa::Avx2), __builtin_cpu_supports("avx2") != 0);
  EXPECT_EQ(VectorIsaAvailable(VectorIsa::Avx512), __builtin_cpu_supports("avx512f") != 0);
#endif
  EXPECT_TRUE(VectorIsaAvailable(VectorIsa::Baseline));
}

}  // namespace
}  // namespace quenby
