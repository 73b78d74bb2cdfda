#pragma once
// e raised to the power x, correctly rounded (to nearest, ties to even): the
// one answer that depends on no library, platform, processor or instruction
// set. Every activation and every general regression weight takes it.
//
// Exp(NaN) is NaN, Exp(+inf) and results beyond the largest double are
// +inf (the callers' checks turn an infinite value into the floating-point
// failure), Exp(-inf) is +0, and tiny results round to subnormals or +0.
#include "quenby_exponential.h"  // Exp

namespace quenby {
namespace exp_detail {

// The fast path alone: true and the result in y when its error bound decides
// the rounding; false when only the exact path can (or x lies outside the
// range it serves).
bool ExpFast(double x, double& y);

// The exact path: e^x computed in fixed point with 64-bit words, widened
// until its error bound decides the rounding. Any x.
double ExpExact(double x);

}  // namespace exp_detail
}  // namespace quenby
