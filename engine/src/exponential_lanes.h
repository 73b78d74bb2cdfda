#pragma once
// The exponential in the vector lanes: every lane runs the scalar function's
// fast path, the same operations in the same order; a lane whose rounding
// that path cannot decide, or whose argument lies outside the range where
// the result is a normal double, takes the scalar function. So each lane
// gives Exp's bits, on every instruction set.
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "exponential.h"
#include "exponential_fast.h"
#include "vector_lanes.h"

namespace quenby {

// Whether every lane of a comparison's result m is true: halves folded
// with "and" in the vector registers, one test and branch per vector (a
// lane by lane test made GCC compare lane by lane too).
template <class M>
[[gnu::always_inline]] inline bool AllLanes(const M& m) {
  constexpr int kLanes = sizeof(M) / sizeof(m[0]);
  if constexpr (kLanes == 8) {
    return AllLanes(__builtin_shufflevector(m, m, 0, 1, 2, 3) & __builtin_shufflevector(m, m, 4, 5, 6, 7));
  } else if constexpr (kLanes == 4) {
    return AllLanes(__builtin_shufflevector(m, m, 0, 1) & __builtin_shufflevector(m, m, 2, 3));
  } else {
    static_assert(kLanes == 2);
#if defined(__SSE2__)
    // SSE2 is in every x86-64 set, so this inlines into any kernel.
    __m128d d;
    __builtin_memcpy(&d, &m, sizeof d);
    return _mm_movemask_pd(d) == 3;
#else
    return (m[0] & m[1]) != 0;
#endif
  }
}

// y = Exp of each lane of x. (By reference: see vector_lanes.h.)
template <class V>
[[gnu::always_inline]] inline void ExpLanes(const V& x, V& y) {
  using namespace exp_detail;
  constexpr int kLanes = sizeof(V) / sizeof(double);
  V h, rest, kd;
  Reduce(x, h, rest, kd);
  const V up = h + (rest + kFastErrorBound);
  const V down = h + (rest - kFastErrorBound);
  V scale;
  ScaleOf(kd, 0, scale);
  const V y0 = up * scale;
  // Masks as bits (see vector_lanes.h).
  typename lanes::Mask<V>::type zero, low, high, decided;
  lanes::ToMask(x < -745.2, zero);  // e^x < 2^-1075: +0, as Exp gives
  lanes::Select(zero, V{}, y0, y);
  // Lanes served here: -708 <= x <= 709 with the rounding decided, and the
  // zeros. Not a number fails every comparison and goes to Exp.
  lanes::ToMask(x >= -708.0, low);
  lanes::ToMask(x <= 709.0, high);
  lanes::ToMask(up == down, decided);
  const auto served = (low & high & decided) | zero;
  if (!AllLanes(served)) [[unlikely]] {
    for (int i = 0; i < kLanes; ++i)
      if (!served[i]) y[i] = Exp(x[i]);
  }
}

// values[i] = Exp(values[i]) for i < count, the lanes of the set isa at once
// (the baseline set where this processor lacks it).
void ExpArray(VectorIsa isa, double* values, size_t count);

}  // namespace quenby
