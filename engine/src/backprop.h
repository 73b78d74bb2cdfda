#pragma once
// The back-propagation evaluation ("Back Prop"): one hidden layer, either
// ordinary ("Logistic" everywhere) or split into slabs that take the hidden
// neurons in turn, each slab with its own activation. Sums start from 0 and
// take one term at a time, bias first and then the inputs (or hidden units)
// in order, so that every platform and every pass gives the same bits.
#include <cstdint>
#include <string>

#include "exponential.h"

namespace quenby {

// Maps x into [-1, 1] by its column's range, clamped: 1.0 when min equals
// max or x >= max, -1.0 when x <= min, else 2 * (x - min) / (max - min) - 1.
// Overflow or a not-a-number x is a floating-point failure.
double RangeScale(double x, double min, double max);

// Scales Net().NetInputs into Net().ScaledInputs and runs the forward pass
// that Net().MultiSlab selects; writes Net().NetOutputs (activation units),
// which the caller has dimensioned (0 To cases, 0 To OutputCount).
void RunBackProp();

// ScaledInputs (0 To cases, 0 To inputCount + 1): column 1 is the bias
// input 1.0, column j + 1 is network input j after RangeScale by the range
// of column NetInputColumns(j).
void ScaleBackPropInputs(int32_t cases, int16_t inputCount);

// Ordinary hidden layer: hidden unit 1 is the bias, units 2..H + 1 the
// neurons; every neuron uses slab 1's activation ("Logistic").
void ForwardSingleSlab(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount);

// Slabbed hidden layer: units 1..G are the slabs' bias units, unit G + n is
// neuron n, which belongs to slab ((n - 1) mod G) + 1. Output neurons use
// slab 1's activation.
void ForwardMultiSlab(int32_t cases, int16_t inputCount, int16_t outputCount, int16_t hiddenCount);

// The activation named by Net().SlabActivations(slab) ("Logistic",
// "Gaussian", "tan Hyperbolic", "Gau. Complement"; exact names, any other
// gives 0). Outside [-15, 15] each saturates. A slab outside the table is a
// subscript failure.
double Activate(double value, int16_t slab);

// The activation functions by kind, for passes that resolve the names once.
enum class ActivationKind { Logistic, Gaussian, TanHyperbolic, GauComplement, None };
ActivationKind ActivationKindOf(const std::string& name);

// Inline, so that a pass over many values resolves the kind once. x squared
// is taken as x * x: the correctly rounded value of x raised to 2.0; e^x is
// Exp, correctly rounded too: the same bits on every platform.
inline double ActivateKind(ActivationKind kind, double x) {
  constexpr double kSaturation = 15.0;
  switch (kind) {
    case ActivationKind::Logistic:
      if (x < -kSaturation) return 0.0;
      if (x > kSaturation) return 1.0;
      return 1.0 / (Exp(-x) + 1.0);
    case ActivationKind::Gaussian:
      if (x < -kSaturation || x > kSaturation) return 0.0;
      return Exp(-(x * x));
    case ActivationKind::TanHyperbolic: {
      if (x < -kSaturation) return -1.0;
      if (x > kSaturation) return 1.0;
      const double up = Exp(x);
      const double down = Exp(-x);
      return (up - down) / (down + up);
    }
    case ActivationKind::GauComplement:
      if (x < -kSaturation || x > kSaturation) return 1.0;
      return 1.0 - Exp(-(x * x));
    case ActivationKind::None:
      break;
  }
  return 0.0;
}

}  // namespace quenby
