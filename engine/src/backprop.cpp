#include "backprop.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "backprop_kernel.h"
#include "common/checked16.h"
#include "common/failure.h"
#include "floating_point.h"
#include "loaded_network.h"

namespace quenby {

using common::FailureClass;

namespace {

// Activation kinds of slabs 1..slabs, resolved once per pass.
std::vector<ActivationKind> SlabKinds(int64_t slabs) {
  const LoadedNetwork& net = Net();
  std::vector<ActivationKind> kinds(static_cast<size_t>(slabs) + 1, ActivationKind::None);
  for (int64_t s = 1; s <= slabs; ++s)
    kinds[static_cast<size_t>(s)] = ActivationKindOf(net.SlabActivations.At(s, "SlabActivations"));
  return kinds;
}

// Sum over l = 1..inRows of ScaledInputs(i, l) * InputWeights(l, h), in order.
double HiddenSum(const LoadedNetwork& net, int32_t i, int16_t inRows, int16_t h) {
  const double* x = net.ScaledInputs.Row(i);
  double sum = 0.0;
  for (int l = 1; l <= inRows; ++l) sum += x[l] * net.InputWeights(l, h);
  return Finite(sum, [&] {
    return "the weighted sum into hidden neuron " + std::to_string(h) + " of case " + std::to_string(i);
  });
}

// Sum over m = 1..units of OutputWeights(m, k) * hidden(m), in order.
double OutputSum(const LoadedNetwork& net, const std::vector<double>& hidden, int32_t i, int16_t units, int16_t k) {
  double sum = 0.0;
  for (int m = 1; m <= units; ++m) sum += net.OutputWeights(m, k) * hidden[static_cast<size_t>(m)];
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

double Activate(double value, int16_t slab) {
  return ActivateKind(ActivationKindOf(Net().SlabActivations.At(slab, "SlabActivations")), value);
}

void ScaleBackPropInputs(int32_t cases, int16_t inputCount) {
  LoadedNetwork& net = Net();
  const int16_t inRows = common::Add16(inputCount, 1, "network input count + 1");
  net.ScaledInputs.RedimForOverwrite(cases, inRows, "ScaledInputs");  // every case's row is set below
  if (cases <= 0) return;
  RequireCells(net.NetInputs, cases, inputCount, "NetInputs");
  std::vector<int16_t> columns(static_cast<size_t>(inputCount) + 1);
  // The ranges by input, side by side for the vector lanes.
  std::vector<double> mins(static_cast<size_t>(inputCount) + 1), maxs(static_cast<size_t>(inputCount) + 1);
  bool rangesFinite = true;
  for (int j = 1; j <= inputCount; ++j) {
    const int16_t c = net.NetInputColumns.At(j, "NetInputColumns");
    mins[static_cast<size_t>(j)] = net.VarMin.At(c, "VarMin");
    maxs[static_cast<size_t>(j)] = net.VarMax.At(c, "VarMax");
    rangesFinite &= std::isfinite(maxs[static_cast<size_t>(j)] - mins[static_cast<size_t>(j)]);
    columns[static_cast<size_t>(j)] = c;
  }
  // The plain loop takes over from the first row the fast one could not
  // vouch for, and fails there with its own message.
  const int32_t plainFrom =
      rangesFinite ? ScaleRowsFast(net.NetInputs, net.ScaledInputs, mins.data(), maxs.data(), inputCount, 1, cases) : 1;
  for (int32_t i = plainFrom; i <= cases; ++i) {
    double* out = net.ScaledInputs.Row(i);
    const double* in = net.NetInputs.Row(i);
    out[1] = 1.0;
    for (int j = 1; j <= inputCount; ++j) {
      const int16_t c = columns[static_cast<size_t>(j)];
      out[j + 1] = RangeScale(in[j], net.VarMin(c), net.VarMax(c));
    }
  }
}

namespace {

// The plain pass over cases first..cases: one case at a time, each sum from 0
// taking its terms in unit order. Hidden neuron h uses kinds[slabOf(h)], outputs
// kinds[1]; the hidden layer's bias units are units 1..biasUnits.
void ForwardPlain(int32_t first, int32_t cases, int16_t inRows, int16_t outputCount, int16_t hiddenCount,
                  int16_t biasUnits, int16_t slabs, const std::vector<ActivationKind>& kinds) {
  LoadedNetwork& net = Net();
  const int16_t units = static_cast<int16_t>(biasUnits + hiddenCount);
  std::vector<double> hidden(static_cast<size_t>(units) + 1, 0.0);
  for (int32_t i = first; i <= cases; ++i) {
    int32_t s = 1;
    for (int g = 1; g <= biasUnits; ++g) hidden[static_cast<size_t>(g)] = 1.0;
    for (int16_t h = 1; h <= hiddenCount; ++h) {
      const double sum = HiddenSum(net, i, inRows, h);
      if (s == slabs + 1) s = 1;
      hidden[static_cast<size_t>(biasUnits) + h] = ActivateKind(kinds[static_cast<size_t>(s)], sum);
      ++s;
    }
    for (int16_t k = 1; k <= outputCount; ++k) {
      net.NetOutputs(i, k) = ActivateKind(kinds[1], OutputSum(net, hidden, i, units, k));
    }
  }
}

// Both passes: the checks of the plain pass, then the fast pass over as many
// cases as it can vouch for, then the plain pass over the rest (it fails at
// the first sum that is not finite, with its own message).
void Forward(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount, int16_t biasUnits,
             int16_t slabs, const std::vector<ActivationKind>& kinds) {
  LoadedNetwork& net = Net();
  const int16_t inRows = common::Add16(inputCount, 1, "network input count + 1");
  const auto units = static_cast<int16_t>(hiddenCount + biasUnits);  // checked by the callers
  RequireCells(net.ScaledInputs, cases, inRows, "ScaledInputs");
  if (hiddenCount > 0) RequireCells(net.InputWeights, inRows, hiddenCount, "InputWeights");
  if (outputCount > 0) {
    RequireCells(net.OutputWeights, units, outputCount, "OutputWeights");
    RequireCells(net.NetOutputs, cases, outputCount, "NetOutputs");
  }
  BackPropPlan plan;
  plan.inRows = inRows;
  plan.hidden = hiddenCount;
  plan.biasUnits = biasUnits;
  plan.outputs = outputCount;
  plan.neuronKinds.resize(static_cast<size_t>(hiddenCount));
  for (int h = 1, s = 1; h <= hiddenCount; ++h, ++s) {
    if (s == slabs + 1) s = 1;
    plan.neuronKinds[static_cast<size_t>(h - 1)] = kinds[static_cast<size_t>(s)];
  }
  plan.outputKind = outputCount > 0 ? kinds[1] : ActivationKind::None;
  const int32_t plainFrom =
      ForwardCasesFast(plan, net.ScaledInputs, net.InputWeights, net.OutputWeights, net.NetOutputs, 1, cases);
  if (plainFrom <= cases) ForwardPlain(plainFrom, cases, inRows, outputCount, hiddenCount, biasUnits, slabs, kinds);
}

}  // namespace

void ForwardSingleSlab(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount) {
  common::Add16(inputCount, 1, "network input count + 1");
  common::Add16(hiddenCount, 1, "hidden count + 1");
  if (cases <= 0) return;
  const std::vector<ActivationKind> kinds = SlabKinds(hiddenCount > 0 || outputCount > 0 ? 1 : 0);
  Forward(cases, inputCount, outputCount, hiddenCount, 1, 1, kinds);
}

void ForwardMultiSlab(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount) {
  const int16_t slabs = Net().SlabCount;
  common::Add16(inputCount, 1, "network input count + 1");
  common::Add16(hiddenCount, slabs, "hidden count + slab count");
  if (cases <= 0) return;
  if (slabs < 0) {
    common::Fail(FailureClass::Subscript, "the slab count is " + std::to_string(slabs) + "; a count must be 0 or more");
  }
  // Neuron n uses slab ((n - 1) mod G) + 1, so slabs 1..min(G, H) are used by
  // hidden neurons, and slab 1 by every output. With G = 0 the slab counter
  // never wraps: neuron n asks for slab n, which the table must hold.
  int64_t used = slabs == 0 ? hiddenCount : std::min<int64_t>(slabs, hiddenCount);
  if (outputCount > 0 && used < 1) used = 1;
  std::vector<ActivationKind> kinds = SlabKinds(used);
  Forward(cases, inputCount, outputCount, hiddenCount, slabs, slabs, kinds);
}

void RunBackProp() {
  LoadedNetwork& net = Net();
  const int16_t inputCount = common::Add16(net.DirectInputCount, net.DerivedInputCount, "network input count");
  const int64_t lastRow = net.NetInputs.Upper1();
  const int32_t cases = lastRow < 0 ? 0 : static_cast<int32_t>(lastRow);
  ScaleBackPropInputs(cases, inputCount);
  if (net.MultiSlab == 0) {
    net.SlabActivations.Redim(1, "SlabActivations");
    net.SlabActivations(1) = "Logistic";
    ForwardSingleSlab(cases, inputCount, net.OutputCount, net.HiddenCount);
  } else {
    ForwardMultiSlab(cases, inputCount, net.OutputCount, net.HiddenCount);
  }
}

}  // namespace quenby
