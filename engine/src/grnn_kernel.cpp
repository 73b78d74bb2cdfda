#include "grnn_kernel.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(_WIN32)
// Windows x64 only guarantees a 16-byte aligned stack, and MinGW's GCC may
// spill 32- and 64-byte vectors there with aligned moves (a crash when the
// stack is not realigned); Windows builds stay on the baseline set.
#define QUENBY_GRNN_WIDE 1
#else
#define QUENBY_GRNN_WIDE 0
#endif

namespace quenby {

void BuildGrnnPatternLayout(const LoadedNetwork& net, int32_t patterns, int16_t inputs, bool genetic,
                            GrnnPatternLayout& layout) {
  layout.patterns = patterns;
  layout.inputs = inputs;
  layout.blocks = patterns < 1 ? 0 : (int64_t{patterns} + kGrnnBlock - 1) / kGrnnBlock;
  const size_t n = static_cast<size_t>(layout.blocks) * static_cast<size_t>(inputs) * kGrnnBlock;
  layout.inputs_t.assign(n, 0.0);
  layout.squares_t.clear();
  if (genetic) layout.squares_t.assign(n, 1.0);
  for (int32_t p = 1; p <= patterns; ++p) {
    const int64_t b = (p - 1) / kGrnnBlock;
    const int lane = (p - 1) % kGrnnBlock;
    const double* t = net.TrainingInputs.Row(p);
    double* out = layout.inputs_t.data() + b * inputs * kGrnnBlock + lane;
    for (int j = 0; j < inputs; ++j) out[j * kGrnnBlock] = t[j + 1];
    if (genetic) {
      const double* s = net.GeneticSmoothing.Row(p);
      double* sq = layout.squares_t.data() + b * inputs * kGrnnBlock + lane;
      for (int j = 0; j < inputs; ++j) sq[j * kGrnnBlock] = s[j + 1] * s[j + 1];
    }
  }
}

namespace {

typedef double V2 __attribute__((vector_size(16)));
#if QUENBY_GRNN_WIDE
typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));
#endif

// The unaligned, aliasing twin of each vector type, for loads straight from
// the pattern layout. (Attributes on a template argument are dropped, so the
// twins live in a trait.)
template <class V>
struct Unaligned;
template <>
struct Unaligned<V2> {
  typedef double type __attribute__((vector_size(16), may_alias, aligned(8)));
};
#if QUENBY_GRNN_WIDE
template <>
struct Unaligned<V4> {
  typedef double type __attribute__((vector_size(32), may_alias, aligned(8)));
};
template <>
struct Unaligned<V8> {
  typedef double type __attribute__((vector_size(64), may_alias, aligned(8)));
};
#endif

template <class V>
[[gnu::always_inline]] inline void LoadVector(V& to, const double* from) {
  static_assert(alignof(typename Unaligned<V>::type) == alignof(double));
  to = *reinterpret_cast<const typename Unaligned<V>::type*>(from);
}

// Cases x kGrnnBlock patterns at a time: every pattern vector loaded is used
// for CT cases. The accumulators are plain per-lane running sums, added to
// in input order.
template <class V, int CT, bool Genetic>
[[gnu::always_inline]] inline void Tile(const GrnnPatternLayout& layout, double twoSigmaSquared,
                                        const double* const* x, int64_t firstBlock, int64_t endBlock,
                                        double* const* out) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  constexpr int kVectors = kGrnnBlock / kLanes;
  const int n = layout.inputs;
  for (int64_t b = firstBlock; b < endBlock; ++b) {
    const double* t = layout.inputs_t.data() + b * n * kGrnnBlock;
    const double* s = Genetic ? layout.squares_t.data() + b * n * kGrnnBlock : nullptr;
    V acc[CT][kVectors];
    for (int c = 0; c < CT; ++c)
      for (int v = 0; v < kVectors; ++v) acc[c][v] = V{};
    for (int j = 0; j < n; ++j) {
      // Loads straight into registers: a copy through memcpy went via the stack.
      V tv[kVectors];
      V sv[kVectors];
      for (int v = 0; v < kVectors; ++v) {
        LoadVector(tv[v], t + j * kGrnnBlock + v * kLanes);
        if constexpr (Genetic) LoadVector(sv[v], s + j * kGrnnBlock + v * kLanes);
      }
      for (int c = 0; c < CT; ++c) {
        const double xc = x[c][j];
        for (int v = 0; v < kVectors; ++v) {
          const V d = tv[v] - xc;
          if constexpr (Genetic)
            acc[c][v] = acc[c][v] + (d * d) / sv[v];
          else
            acc[c][v] = acc[c][v] + d * d;
        }
      }
    }
    for (int c = 0; c < CT; ++c)
      for (int v = 0; v < kVectors; ++v) {
        V q;
        if constexpr (Genetic)
          q = -acc[c][v];
        else
          q = -acc[c][v] / twoSigmaSquared;
        std::memcpy(out[c] + b * kGrnnBlock + v * kLanes, &q, sizeof q);
      }
  }
}

template <class V, int CT, bool Genetic>
[[gnu::always_inline]] inline void Cases(const GrnnPatternLayout& layout, double twoSigmaSquared,
                                         const double* const* x, int caseCount, int64_t firstBlock,
                                         int64_t endBlock, double* const* out) {
  int c = 0;
  for (; c + CT <= caseCount; c += CT) Tile<V, CT, Genetic>(layout, twoSigmaSquared, x + c, firstBlock, endBlock, out + c);
  for (; c < caseCount; ++c) Tile<V, 1, Genetic>(layout, twoSigmaSquared, x + c, firstBlock, endBlock, out + c);
}

void ExponentsBaseline(const GrnnPatternLayout& layout, bool genetic, double twoSigmaSquared,
                       const double* const* x, int caseCount, int64_t firstBlock, int64_t endBlock,
                       double* const* out) {
  if (genetic)
    Cases<V2, 1, true>(layout, twoSigmaSquared, x, caseCount, firstBlock, endBlock, out);
  else
    Cases<V2, 1, false>(layout, twoSigmaSquared, x, caseCount, firstBlock, endBlock, out);
}

#if QUENBY_GRNN_WIDE
__attribute__((target("avx2"))) void ExponentsAvx2(const GrnnPatternLayout& layout, bool genetic,
                                                   double twoSigmaSquared, const double* const* x,
                                                   int caseCount, int64_t firstBlock, int64_t endBlock,
                                                   double* const* out) {
  if (genetic)
    Cases<V4, 2, true>(layout, twoSigmaSquared, x, caseCount, firstBlock, endBlock, out);
  else
    Cases<V4, 2, false>(layout, twoSigmaSquared, x, caseCount, firstBlock, endBlock, out);
}

__attribute__((target("avx512f"))) void ExponentsAvx512(const GrnnPatternLayout& layout, bool genetic,
                                                        double twoSigmaSquared, const double* const* x,
                                                        int caseCount, int64_t firstBlock, int64_t endBlock,
                                                        double* const* out) {
  if (genetic)
    Cases<V8, 4, true>(layout, twoSigmaSquared, x, caseCount, firstBlock, endBlock, out);
  else
    Cases<V8, 4, false>(layout, twoSigmaSquared, x, caseCount, firstBlock, endBlock, out);
}
#endif

}  // namespace

namespace {

// Asked once (thread-safe static initialisation): the kernel runs on worker
// threads too.
struct IsaSupport {
  bool avx2 = false;
  bool avx512 = false;
  IsaSupport() {
#if QUENBY_GRNN_WIDE
    __builtin_cpu_init();
    avx2 = __builtin_cpu_supports("avx2");
    avx512 = __builtin_cpu_supports("avx512f");
#endif
  }
};

const IsaSupport& Support() {
  static const IsaSupport support;
  return support;
}

}  // namespace

bool GrnnIsaAvailable(GrnnIsa isa) {
  switch (isa) {
    case GrnnIsa::Baseline:
      return true;
    case GrnnIsa::Avx2:
      return Support().avx2;
    case GrnnIsa::Avx512:
      return Support().avx512;
  }
  return false;
}

GrnnIsa BestGrnnIsa() {
  return Support().avx512 ? GrnnIsa::Avx512 : Support().avx2 ? GrnnIsa::Avx2 : GrnnIsa::Baseline;
}

GrnnExecution& GrnnExecutionSettings() {
  static GrnnExecution settings{BestGrnnIsa(), 0};
  return settings;
}

void GrnnExponents(GrnnIsa isa, const GrnnPatternLayout& layout, bool genetic, double twoSigmaSquared,
                   const double* const* caseInputs, int caseCount, int64_t firstBlock, int64_t endBlock,
                   double* const* exponents) {
  if (!GrnnIsaAvailable(isa)) isa = GrnnIsa::Baseline;
  switch (isa) {
#if QUENBY_GRNN_WIDE
    case GrnnIsa::Avx512:
      ExponentsAvx512(layout, genetic, twoSigmaSquared, caseInputs, caseCount, firstBlock, endBlock, exponents);
      return;
    case GrnnIsa::Avx2:
      ExponentsAvx2(layout, genetic, twoSigmaSquared, caseInputs, caseCount, firstBlock, endBlock, exponents);
      return;
#endif
    default:
      ExponentsBaseline(layout, genetic, twoSigmaSquared, caseInputs, caseCount, firstBlock, endBlock, exponents);
      return;
  }
}

}  // namespace quenby
