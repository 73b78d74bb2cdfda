#include "exponential_lanes.h"

#include "vector_lanes.h"

namespace quenby {

namespace {

using namespace lanes;

template <class V>
[[gnu::always_inline]] inline void ExpArrayT(double* v, size_t n) {
  constexpr size_t kLanes = sizeof(V) / sizeof(double);
  size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    V x, y;
    Load(x, v + i);
    // Far patterns of a general regression network: every lane's e^x is +0
    // (as Exp gives below -745.2), so the fast path need not run.
    typename Mask<V>::type far;
    ToMask(x < -745.2, far);
    if (AllLanes(far)) {
      Store(v + i, V{});
      continue;
    }
    ExpLanes(x, y);
    Store(v + i, y);
  }
  for (; i < n; ++i) v[i] = Exp(v[i]);
}

void ExpArrayBaseline(double* v, size_t n) { ExpArrayT<V2>(v, n); }
#if QUENBY_WIDE_VECTORS
__attribute__((target("avx2"))) void ExpArrayAvx2(double* v, size_t n) { ExpArrayT<V4>(v, n); }
__attribute__((target("avx512f"))) void ExpArrayAvx512(double* v, size_t n) { ExpArrayT<V8>(v, n); }
#endif

}  // namespace

void ExpArray(VectorIsa isa, double* values, size_t count) {
  if (!VectorIsaAvailable(isa)) isa = VectorIsa::Baseline;
  switch (isa) {
#if QUENBY_WIDE_VECTORS
    case VectorIsa::Avx512:
      return ExpArrayAvx512(values, count);
    case VectorIsa::Avx2:
      return ExpArrayAvx2(values, count);
#endif
    default:
      return ExpArrayBaseline(values, count);
  }
}

}  // namespace quenby
