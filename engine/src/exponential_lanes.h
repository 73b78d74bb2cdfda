#pragma once
// The exponential in the vector lanes: every lane runs the scalar function's
// fast path, the same operations in the same order; a lane whose rounding
// that path cannot decide, or whose argument lies outside the range where
// the result is a normal double, takes the scalar function. So each lane
// gives Exp's bits, on every instruction set.
#include <cstddef>

#include "exponential.h"
#include "exponential_fast.h"
#include "vector_lanes.h"

namespace quenby {

// y = Exp of each lane of x. (By reference: see vector_lanes.h.)
template <class V>
[[gnu::always_inline]] inline void ExpLanes(const V& x, V& y) {
  using namespace exp_detail;
  constexpr int kLanes = sizeof(V) / sizeof(double);
  V h2, l2, kd;
  Reduce(x, h2, l2, kd);
  const V up = h2 + (l2 + kFastErrorBound);
  const V down = h2 + (l2 - kFastErrorBound);
  const auto zero = x < -745.2;  // e^x < 2^-1075: +0, as Exp gives
  V scale;
  ScaleOf(kd, 0, scale);
  const V y0 = up * scale;
  y = zero ? V{} : y0;
  // Lanes served here: -708 <= x <= 709 with the rounding decided, and the
  // zeros. Not a number fails every comparison and goes to Exp.
  const auto served = ((x >= -708.0) & (x <= 709.0) & (up == down)) | zero;
  bool all = true;
  for (int i = 0; i < kLanes; ++i) all &= served[i] != 0;
  if (!all) [[unlikely]] {
    for (int i = 0; i < kLanes; ++i)
      if (!served[i]) y[i] = Exp(x[i]);
  }
}

// values[i] = Exp(values[i]) for i < count, the lanes of the set isa at once
// (the baseline set where this processor lacks it).
void ExpArray(VectorIsa isa, double* values, size_t count);

}  // namespace quenby
