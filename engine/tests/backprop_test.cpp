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
#include "exponential.h"
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

TEST_F(BackProp, ActivationsSaturateOnlyBeyond15) {
  struct Case {
    const char* name;
    double x, want;
  } cases[] = {
      {"Logistic", 15, 1.0 / (quenby::Exp(-15.0) + 1.0)},
      {"Logistic", 15.000001, 1.0},
      {"Logistic", -15.000001, 0.0},
      {"Logistic", -15, 1.0 / (quenby::Exp(15.0) + 1.0)},
      {"Logistic", 0, 0.5},
      {"Gaussian", 0, 1.0},
      {"Gaussian", 16, 0.0},
      {"Gaussian", -16, 0.0},
      {"Gaussian", 15, quenby::Exp(-225.0)},
      {"Gau. Complement", 0, 0.0},
      {"Gau. Complement", 16, 1.0},
      {"Gau. Complement", -16, 1.0},
      {"Gau. Complement", 1, 1.0 - quenby::Exp(-1.0)},
      {"tan Hyperbolic", 0, 0.0},
      {"tan Hyperbolic", 16, 1.0},
      {"tan Hyperbolic", -16, -1.0},
      {"tan Hyperbolic", 15, (quenby::Exp(15.0) - quenby::Exp(-15.0)) / (quenby::Exp(-15.0) + quenby::Exp(15.0))},
      {"logistic", 3, 0.0},
      {"Logistic ", 3, 0.0},
      {"", 3, 0.0},
  };
  Net().SlabActivations.Redim(1);
  for (const Case& c : cases) {
    Net().SlabActivations(1) = c.name;
    EXPECT_TRUE(SameBits(Activate(c.x, 1), c.want)) << c.name << " at " << c.x << ": " << Activate(c.x, 1);
  }
  EXPECT_NEAR(Activate(15, 1) * 0 + ActivateKind(ActivationKind::Logistic, 15), 0.99999969, 1e-8);
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

void ExpectSameAsReference(const RefNetwork& net, const std::vector<std::vector<double>>& cases) {
  for (size_t i = 1; i <= cases.size(); ++i) {
    const std::vector<double> want = dllfile::RefForward(net, cases[i - 1]);
    for (size_t k = 1; k <= want.size(); ++k) {
      ASSERT_TRUE(SameBits(Net().NetOutputs(i, k), want[k - 1]))
          << "case " << i << " output " << k << ": " << Net().NetOutputs(i, k) << " vs " << want[k - 1];
    }
  }
}

TEST_F(BackProp, BitForBitWithThePlainScalarPass) {
  std::mt19937_64 rng(42);
  const std::vector<std::string> names = {"Logistic", "Gaussian", "tan Hyperbolic", "Gau. Complement", "Other"};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const bool multi = round % 2 == 1;
    const int nIn = 1 + static_cast<int>(rng() % 23);
    const int hidden = static_cast<int>(rng() % 17);
    const int outputs = 1 + static_cast<int>(rng() % 4);
    std::vector<std::string> slabs;
    const int g = multi ? 1 + static_cast<int>(rng() % 4) : 1;
    for (int s = 0; s < g; ++s) slabs.push_back(multi ? names[rng() % names.size()] : "Gaussian");
    const RefNetwork net = RandomNetwork(rng, nIn, hidden, outputs, slabs, multi);
    const auto cases = RandomCases(rng, 1 + static_cast<int>(rng() % 20), nIn);
    ResetLoadedNetwork();
    Install(net, cases);
    RunBackProp();
    ExpectSameAsReference(net, cases);  // single slab: loaded names ignored, Logistic throughout
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
  // ("Gaussian"); units 1 and 2 are the bias units.
  const double x = 0.5;
  const double w1[] = {0.1, 0.2, 0.3, -0.4, 0.5}, w2[] = {1.5, -0.5, 0.25, 2, -1};
  const double wo[] = {0.05, -0.1, 0.4, 0.3, -0.2, 0.6, 0.7};
  auto tanh = [](double s) { return (quenby::Exp(s) - quenby::Exp(-s)) / (quenby::Exp(-s) + quenby::Exp(s)); };
  auto gauss = [](double s) { return quenby::Exp(-(s * s)); };
  double hidden[7] = {1, 1};
  for (int h = 0; h < 5; ++h) {
    double s = 0;
    s += 1.0 * w1[h];
    s += x * w2[h];
    hidden[2 + h] = h % 2 == 0 ? tanh(s) : gauss(s);
  }
  double sum = 0;
  for (int m = 0; m < 7; ++m) sum += wo[m] * hidden[m];
  EXPECT_TRUE(SameBits(n.NetOutputs(1, 1), tanh(sum))) << n.NetOutputs(1, 1);
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
  net.outputWeights.push_back({1e300});  // row H + 2 takes no part
  const auto cases = RandomCases(rng, 4, 2);
  Install(net, cases);
  RunBackProp();
  EXPECT_EQ(Net().SlabActivations.Upper(), 1);
  EXPECT_EQ(Net().SlabActivations(1), "Logistic");
  net.outputWeights.pop_back();
  ExpectSameAsReference(net, cases);
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
