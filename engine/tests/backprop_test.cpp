#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "backprop.h"
#include "common/failure.h"
#include "compiled_file.h"
#include "dllfile_fixture.h"
#include "loaded_network.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using dllfile::Install;
using dllfile::RefNetwork;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class BackProp : public ::testing::Test {
 protected:
  void SetUp() override { ResetLoadedNetwork(); }
  void TearDown() override { ResetLoadedNetwork(); }
};

TEST_F(BackProp, RangeScaleBoundaries) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double x, min, max, want;
  } cases[] = {
      {5, 7, 7, 1.0},     {-1e300, 7, 7, 1.0}, {10, 0, 10, 1.0},  {0, 0, 10, -1.0}, {5, 0, 10, 0.0},
      {11, 0, 10, 1.0},   {-3, 0, 10, -1.0},  {2.5, 0, 10, -0.5}, {inf, 0, 1, 1.0}, {-inf, 0, 1, -1.0},
      {0.5, 1, 0, 1.0},  // min above max: every x >= max
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RangeScale(c.x, c.min, c.max), c.want) << c.x << " in " << c.min << ".." << c.max;
  }
}

TEST_F(BackProp, RangeScaleOverflowIsFloatingPointFailure) {
  for (auto [x, min, max] : {std::tuple{0.0, -1e308, 1e308}, std::tuple{std::nan(""), 0.0, 1.0}}) {
    try {
      RangeScale(x, min, max);
      ADD_FAILURE() << x;
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, FailureClass::FloatingPoint) << f.message;
    }
  }
}

// Expected values below were worked out apart from the engine, in 60-digit
// decimal arithmetic from the exact binary values of the weights, and are
// given to 17 digits. The engine rounds at every step, so it may differ in
// the last digit or two; the checks for equal bits are the fast-pass tests'.
void ExpectClose(double got, double want, const std::string& what) {
  EXPECT_NEAR(got, want, 2e-15 * std::abs(want)) << what;
}

TEST_F(BackProp, ActivationsSaturateOnlyBeyond15) {
  struct Case {
    const char* name;
    double x, want;
  } cases[] = {
      {"Logistic", 15, 0.99999969409777312},
      {"Logistic", -15, 3.0590222692562472e-07},
      {"Logistic", 1, 0.7310585786300049},
      {"Logistic", 15.000001, 1.0},
      {"Logistic", -15.000001, 0.0},
      {"Logistic", 0, 0.5},
      {"Gaussian", 0, 1.0},
      {"Gaussian", 0.5, 0.77880078307140488},
      {"Gaussian", 15, 1.9219477278238491e-98},
      {"Gaussian", 16, 0.0},
      {"Gaussian", -16, 0.0},
      {"Gau. Complement", 0, 0.0},
      {"Gau. Complement", 1, 0.63212055882855767},
      {"Gau. Complement", 16, 1.0},
      {"Gau. Complement", -16, 1.0},
      {"tan Hyperbolic", 0, 0.0},
      {"tan Hyperbolic", -0.5, -0.46211715726000974},
      {"tan Hyperbolic", 15, 0.99999999999981282},
      {"tan Hyperbolic", 16, 1.0},
      {"tan Hyperbolic", -16, -1.0},
      {"logistic", 3, 0.0},
      {"Logistic ", 3, 0.0},
      {"", 3, 0.0},
  };
  Net().SlabActivations.Redim(1);
  for (const Case& c : cases) {
    Net().SlabActivations(1) = c.name;
    ExpectClose(Activate(c.x, 1), c.want, std::string(c.name) + " at " + std::to_string(c.x));
  }
  try {
    Activate(0, 2);
    ADD_FAILURE() << "slab 2 of a table (0 To 1)";
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::Subscript);
  }
}

RefNetwork RandomNetwork(std::mt19937_64& rng, int nIn, int hidden, int outputs, std::vector<std::string> slabs,
                         bool multiSlab) {
  std::uniform_real_distribution<double> w(-3, 3);
  RefNetwork net;
  net.multiSlab = multiSlab;
  net.slabs = std::move(slabs);
  net.inputWeights.assign(nIn + 1, std::vector<double>(hidden));
  for (auto& row : net.inputWeights)
    for (double& v : row) v = w(rng);
  const size_t units = hidden + (multiSlab ? net.slabs.size() : 1);
  net.outputWeights.assign(units, std::vector<double>(outputs));
  for (auto& row : net.outputWeights)
    for (double& v : row) v = w(rng) * 4;
  for (int j = 0; j < nIn; ++j) {
    const double lo = w(rng) * 10;
    net.min.push_back(lo);
    net.max.push_back(j % 7 == 6 ? lo : lo + std::abs(w(rng)) * 10 + 0.1);  // some equal ranges
  }
  return net;
}

std::vector<std::vector<double>> RandomCases(std::mt19937_64& rng, int count, int nIn) {
  std::uniform_real_distribution<double> x(-40, 40);
  std::vector<std::vector<double>> cases(count, std::vector<double>(nIn));
  for (auto& c : cases)
    for (double& v : c) v = x(rng);
  return cases;
}

// Small networks worked out by hand (see ExpectClose): weights [l][n] with
// l = 0 the bias input, output weights [m][k] with the bias units first.
TEST_F(BackProp, SmallNetworksGiveTheHandComputedOutputs) {
  struct Case {
    const char* name;
    RefNetwork net;
    std::vector<std::vector<double>> cases;
    std::vector<std::vector<double>> want;
  } cases[] = {
      {"an ordinary layer is Logistic throughout; inputs clamped, an equal range gives 1",
       {{{0.25, -0.5}, {0.5, 1.0}, {-1.0, 0.75}, {0.125, 0.25}},
        {{0.5, -0.25}, {1.0, 2.0}, {-1.5, 0.5}},
        {"Gaussian"},
        {0, -2, 5},
        {4, 2, 5},
        false},
       {{3, 1, 0}, {9, -7, 5}},
       {{0.51354095718764969, 0.75732992373512276}, {0.64954407858280738, 0.84993247167361508}}},
      {"two slabs take the neurons in turn, each with its bias unit; outputs use slab 1",
       {{{0.1, 0.2, 0.3}, {1.5, -0.5, 0.25}},
        {{0.05}, {-0.1}, {0.4}, {0.3}, {-0.2}},
        {"tan Hyperbolic", "Gaussian"},
        {0},
        {4},
        true},
       {{3}, {1}},
       {{0.41815327319758849}, {-0.0682030248244994}}},
      {"a slab whose name is not known gives 0",
       {{{0.5, 3.0}, {1.0, -2.0}}, {{0.25}, {0.5}, {1.0}, {2.0}}, {"Gau. Complement", "logistic"}, {0}, {4}, true},
       {{2}, {3}},
       {{0.61063104676079261}, {0.85195770057636189}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetLoadedNetwork();
    Install(c.net, c.cases);
    RunBackProp();
    for (size_t i = 1; i <= c.want.size(); ++i)
      for (size_t k = 1; k <= c.want[i - 1].size(); ++k)
        ExpectClose(Net().NetOutputs(i, k), c.want[i - 1][k - 1],
                    "case " + std::to_string(i) + " output " + std::to_string(k));
  }
}

TEST_F(BackProp, OneLogisticSlabEqualsTheOrdinaryLayer) {
  std::mt19937_64 rng(7);
  RefNetwork net = RandomNetwork(rng, 6, 9, 3, {"Logistic"}, false);
  const auto cases = RandomCases(rng, 12, 6);
  Install(net, cases);
  RunBackProp();
  const Array2<double> single = Net().NetOutputs;
  Net().MultiSlab = kTrue;
  Net().NetOutputs.Redim(12, 3);
  RunBackProp();
  for (int i = 1; i <= 12; ++i)
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(SameBits(Net().NetOutputs(i, k), single(i, k)));
}

TEST_F(BackProp, FiveNeuronsInTwoSlabsTakeTurns) {
  LoadNetworkText(dllfile::FixtureText("multi_slab.DLLFile"), "multi_slab.DLLFile");
  LoadedNetwork& n = Net();
  n.NetInputs.Redim(1, 1);
  n.NetInputs(1, 1) = 3;  // range 0..4: scales to 0.5
  n.NetOutputs.Redim(1, 1);
  RunBackProp();
  // Neurons 1, 3, 5 in slab 1 ("tan Hyperbolic"), 2, 4 in slab 2
  // ("Gaussian"); units 1 and 2 are the bias units (see ExpectClose).
  ExpectClose(n.NetOutputs(1, 1), 0.69834238217152156, "output");
  EXPECT_EQ(n.ScaledInputs(1, 1), 1.0);
  EXPECT_EQ(n.ScaledInputs(1, 2), 0.5);
}

TEST_F(BackProp, TanHyperbolicOutputsStayWithinMinusOneAndOne) {
  std::mt19937_64 rng(9);
  RefNetwork net = RandomNetwork(rng, 3, 4, 2, {"tan Hyperbolic", "Logistic"}, true);
  for (auto& row : net.outputWeights)
    for (double& v : row) v *= 100;  // saturate
  const auto cases = RandomCases(rng, 50, 3);
  Install(net, cases);
  RunBackProp();
  bool sawEnd = false;
  for (int i = 1; i <= 50; ++i)
    for (int k = 1; k <= 2; ++k) {
      const double y = Net().NetOutputs(i, k);
      EXPECT_GE(y, -1.0);
      EXPECT_LE(y, 1.0);
      sawEnd = sawEnd || std::abs(y) == 1.0;
    }
  EXPECT_TRUE(sawEnd);
}

TEST_F(BackProp, SingleSlabSetsLogisticAndIgnoresExtraOutputRows) {
  std::mt19937_64 rng(3);
  RefNetwork net = RandomNetwork(rng, 2, 3, 1, {"Gaussian"}, false);
  const auto cases = RandomCases(rng, 4, 2);
  Install(net, cases);
  RunBackProp();
  const Array2<double> without = Net().NetOutputs;
  net.outputWeights.push_back({1e300});  // row H + 2 takes no part
  ResetLoadedNetwork();
  Install(net, cases);
  RunBackProp();
  EXPECT_EQ(Net().SlabActivations.Upper(), 1);
  EXPECT_EQ(Net().SlabActivations(1), "Logistic");
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(SameBits(Net().NetOutputs(i, 1), without(i, 1))) << "case " << i;
}

TEST_F(BackProp, NoCasesComputesNothing) {
  std::mt19937_64 rng(4);
  const RefNetwork net = RandomNetwork(rng, 2, 3, 2, {"Logistic"}, false);
  Install(net, {});
  Net().InputWeights.Redim(0, 0);  // would be a subscript failure if touched
  RunBackProp();
  EXPECT_EQ(Net().NetOutputs.Upper1(), 0);
  EXPECT_EQ(Net().ScaledInputs.Upper1(), 0);
}

TEST_F(BackProp, FailuresOfTheForwardPass) {
  struct Case {
    const char* name;
    void (*spoil)(LoadedNetwork&);
    FailureClass cls;
    const char* message;
  } cases[] = {
      {"sum overflows", [](LoadedNetwork& n) {
         n.NetInputs(1, 1) = 1e9;  // scales to 1.0
         n.InputWeights(1, 2) = 1e308;
         n.InputWeights(2, 2) = 1e308;
       },
       FailureClass::FloatingPoint, "hidden neuron 2 of case 1"},
      {"input is not a number", [](LoadedNetwork& n) { n.NetInputs(2, 1) = std::nan(""); },
       FailureClass::FloatingPoint, "scaled value"},
      {"input column outside the ranges", [](LoadedNetwork& n) { n.NetInputColumns(2) = 9; },
       FailureClass::Subscript, "VarMin(9)"},
      {"weight set smaller than the hidden count", [](LoadedNetwork& n) { n.InputWeights.Redim(3, 2); },
       FailureClass::Subscript, "InputWeights"},
      {"slab beyond the slab names",
       [](LoadedNetwork& n) {
         n.MultiSlab = kTrue;
         n.SlabCount = 2;
         n.OutputWeights.Redim(5, 1);
       },
       FailureClass::Subscript, "SlabActivations(2)"},
      {"hidden + slab count beyond 16 bits",
       [](LoadedNetwork& n) {
         n.MultiSlab = kTrue;
         n.SlabCount = 32767;
       },
       FailureClass::Overflow, "hidden count + slab count"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetLoadedNetwork();
    std::mt19937_64 rng(5);
    Install(RandomNetwork(rng, 2, 3, 1, {"Logistic"}, false), RandomCases(rng, 3, 2));
    c.spoil(Net());
    try {
      RunBackProp();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, c.cls) << f.message;
      EXPECT_NE(f.message.find(c.message), std::string::npos) << f.message;
    }
  }
}

}  // namespace
}  // namespace quenby
