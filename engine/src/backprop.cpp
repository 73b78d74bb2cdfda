#include "backprop.h"

#include <cmath>
#include <string>
#include <vector>

#include "common/checked16.h"
#include "common/failure.h"
#include "floating_point.h"
#include "loaded_network.h"

namespace quenby {

using common::FailureClass;

namespace {

constexpr double kSaturation = 15.0;

[[noreturn]] void FailTooSmall(const char* table, int64_t need1, int64_t need2, int64_t have1, int64_t have2) {
  common::Fail(FailureClass::Subscript, std::string(table) + "(" + std::to_string(need1) + ", " +
                                            std::to_string(need2) + ") lies outside (0 To " + std::to_string(have1) +
                                            ", 0 To " + std::to_string(have2) + ")");
}

// The loops below index without checks; these make sure they may.
void NeedCells(const Array2<double>& t, int64_t upper1, int64_t upper2, const char* name) {
  if (upper1 > t.Upper1() || upper2 > t.Upper2()) FailTooSmall(name, upper1, upper2, t.Upper1(), t.Upper2());
}

// Activation kinds of slabs 1..slabs, resolved once per pass.
std::vector<ActivationKind> SlabKinds(int64_t slabs) {
  const LoadedNetwork& n = Net();
  std::vector<ActivationKind> kinds(static_cast<size_t>(slabs) + 1, ActivationKind::None);
  for (int64_t s = 1; s <= slabs; ++s) kinds[static_cast<size_t>(s)] = ActivationKindOf(n.SlabActivations.at(s, "SlabActivations"));
  return kinds;
}

// Sum over l = 1..inRows of ScaledInputs(i, l) * InputWeights(l, h), in order.
double HiddenSum(const LoadedNetwork& n, int32_t i, int16_t inRows, int16_t h) {
  const double* x = n.ScaledInputs.Row(i);
  double sum = 0.0;
  for (int l = 1; l <= inRows; ++l) sum += x[l] * n.InputWeights(l, h);
  return Finite(sum, [&] {
    return "the weighted sum into hidden neuron " + std::to_string(h) + " of case " + std::to_string(i);
  });
}

// Sum over m = 1..units of OutputWeights(m, k) * hidden(m), in order.
double OutputSum(const LoadedNetwork& n, const std::vector<double>& hidden, int32_t i, int16_t units, int16_t k) {
  double sum = 0.0;
  for (int m = 1; m <= units; ++m) sum += n.OutputWeights(m, k) * hidden[static_cast<size_t>(m)];
  return Finite(sum, [&] {
    return "the weighted sum into output neuron " + std::to_string(k) + " of case " + std::to_string(i);
  });
}

}  // namespace

double RangeScale(double x, double min, double max) {
  if (min == max || x >= max) return 1.0;
  if (x <= min) return -1.0;
  const double range = max - min;
  Finite(range, [&] { return "the range of a column (maximum - minimum)"; });
  return Finite(2.0 * (x - min) / range - 1.0, [&] { return "the scaled value of an input"; });
}

ActivationKind ActivationKindOf(const std::string& name) {
  if (name == "Logistic") return ActivationKind::Logistic;
  if (name == "Gaussian") return ActivationKind::Gaussian;
  if (name == "tan Hyperbolic") return ActivationKind::TanHyperbolic;
  if (name == "Gau. Complement") return ActivationKind::GauComplement;
  return ActivationKind::None;
}

// x squared is taken as x * x: the correctly rounded value of x raised to
// 2.0, the same on every platform.
double ActivateKind(ActivationKind kind, double x) {
  switch (kind) {
    case ActivationKind::Logistic:
      if (x < -kSaturation) return 0.0;
      if (x > kSaturation) return 1.0;
      return 1.0 / (std::exp(-x) + 1.0);
    case ActivationKind::Gaussian:
      if (x < -kSaturation || x > kSaturation) return 0.0;
      return std::exp(-(x * x));
    case ActivationKind::TanHyperbolic: {
      if (x < -kSaturation) return -1.0;
      if (x > kSaturation) return 1.0;
      const double up = std::exp(x);
      const double down = std::exp(-x);
      return (up - down) / (down + up);
    }
    case ActivationKind::GauComplement:
      if (x < -kSaturation || x > kSaturation) return 1.0;
      return 1.0 - std::exp(-(x * x));
    case ActivationKind::None:
      break;
  }
  return 0.0;
}

double Activate(double value, int16_t slab) {
  return ActivateKind(ActivationKindOf(Net().SlabActivations.at(slab, "SlabActivations")), value);
}

void ScaleBackPropInputs(int32_t cases, int16_t inputCount) {
  LoadedNetwork& n = Net();
  const int16_t inRows = common::Add16(inputCount, 1, "network input count + 1");
  n.ScaledInputs.Redim(cases, inRows, "ScaledInputs");
  if (cases <= 0) return;
  NeedCells(n.NetInputs, cases, inputCount, "NetInputs");
  std::vector<int16_t> columns(static_cast<size_t>(inputCount) + 1);
  for (int j = 1; j <= inputCount; ++j) {
    const int16_t c = n.NetInputColumns.at(j, "NetInputColumns");
    n.VarMin.at(c, "VarMin");
    n.VarMax.at(c, "VarMax");
    columns[static_cast<size_t>(j)] = c;
  }
  for (int32_t i = 1; i <= cases; ++i) {
    double* out = n.ScaledInputs.Row(i);
    const double* in = n.NetInputs.Row(i);
    out[1] = 1.0;
    for (int j = 1; j <= inputCount; ++j) {
      const int16_t c = columns[static_cast<size_t>(j)];
      out[j + 1] = RangeScale(in[j], n.VarMin(c), n.VarMax(c));
    }
  }
}

void ForwardSingleSlab(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount) {
  LoadedNetwork& n = Net();
  const int16_t inRows = common::Add16(inputCount, 1, "network input count + 1");
  const int16_t units = common::Add16(hiddenCount, 1, "hidden count + 1");
  if (cases <= 0) return;
  std::vector<double> hidden(static_cast<size_t>(units) + 1, 0.0);
  const std::vector<ActivationKind> kinds = SlabKinds(hiddenCount > 0 || outputCount > 0 ? 1 : 0);
  NeedCells(n.ScaledInputs, cases, inRows, "ScaledInputs");
  if (hiddenCount > 0) NeedCells(n.InputWeights, inRows, hiddenCount, "InputWeights");
  if (outputCount > 0) {
    NeedCells(n.OutputWeights, units, outputCount, "OutputWeights");
    NeedCells(n.NetOutputs, cases, outputCount, "NetOutputs");
  }
  for (int32_t i = 1; i <= cases; ++i) {
    hidden[1] = 1.0;
    for (int16_t h = 1; h <= hiddenCount; ++h) {
      hidden[static_cast<size_t>(h) + 1] = ActivateKind(kinds[1], HiddenSum(n, i, inRows, h));
    }
    for (int16_t k = 1; k <= outputCount; ++k) {
      n.NetOutputs(i, k) = ActivateKind(kinds[1], OutputSum(n, hidden, i, units, k));
    }
  }
}

void ForwardMultiSlab(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount) {
  LoadedNetwork& n = Net();
  const int16_t slabs = n.SlabCount;
  const int16_t inRows = common::Add16(inputCount, 1, "network input count + 1");
  const int16_t units = common::Add16(hiddenCount, slabs, "hidden count + slab count");
  if (cases <= 0) return;
  // Neuron n uses slab ((n - 1) mod G) + 1, so slabs 1..min(G, H) are used by
  // hidden neurons (slab 1 also when G is 0), and slab 1 by every output.
  int64_t used = hiddenCount > 0 ? (slabs < hiddenCount ? (slabs > 0 ? slabs : 1) : hiddenCount) : 0;
  if (outputCount > 0 && used < 1) used = 1;
  const std::vector<ActivationKind> kinds = SlabKinds(used);
  std::vector<double> hidden(static_cast<size_t>(units) + 1, 0.0);
  NeedCells(n.ScaledInputs, cases, inRows, "ScaledInputs");
  if (hiddenCount > 0) NeedCells(n.InputWeights, inRows, hiddenCount, "InputWeights");
  if (outputCount > 0) {
    NeedCells(n.OutputWeights, units, outputCount, "OutputWeights");
    NeedCells(n.NetOutputs, cases, outputCount, "NetOutputs");
  }
  for (int32_t i = 1; i <= cases; ++i) {
    int32_t s = 1;
    for (int g = 1; g <= slabs; ++g) hidden[static_cast<size_t>(g)] = 1.0;
    for (int16_t h = 1; h <= hiddenCount; ++h) {
      const double sum = HiddenSum(n, i, inRows, h);
      if (s == slabs + 1) s = 1;
      hidden[static_cast<size_t>(slabs) + h] = ActivateKind(kinds[static_cast<size_t>(s)], sum);
      ++s;
    }
    for (int16_t k = 1; k <= outputCount; ++k) {
      n.NetOutputs(i, k) = ActivateKind(kinds[1], OutputSum(n, hidden, i, units, k));
    }
  }
}

void RunBackProp() {
  LoadedNetwork& n = Net();
  const int16_t nIn = common::Add16(n.DirectInputCount, n.DerivedInputCount, "network input count");
  const int64_t cases64 = n.NetInputs.Upper1();
  const int32_t cases = cases64 < 0 ? 0 : static_cast<int32_t>(cases64);
  ScaleBackPropInputs(cases, nIn);
  if (n.MultiSlab == 0) {
    n.SlabActivations.Redim(1, "SlabActivations");
    n.SlabActivations(1) = "Logistic";
    ForwardSingleSlab(cases, nIn, n.OutputCount, n.HiddenCount);
  } else {
    ForwardMultiSlab(cases, nIn, n.OutputCount, n.HiddenCount);
  }
}

}  // namespace quenby
