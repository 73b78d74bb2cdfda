#include "grnn_kernel.h"

#include <cstring>

#include "vector_lanes.h"


namespace quenby {

void BuildGrnnPatternLayout(const LoadedNetwork& net, int32_t patterns, int16_t inputs, bool genetic,
                            GrnnPatternLayout& layout) {
  layout.patterns = patterns;
  layout.inputs = inputs;
  layout.blocks = patterns < 1 ? 0 : (int64_t{patterns} + kGrnnBlock - 1) / kGrnnBlock;
  const size_t n = static_cast<size_t>(layout.blocks) * static_cast<size_t>(inputs) * kGrnnBlock;
  layout.inputsByLane.assign(n, 0.0);
  layout.squaresByLane.clear();
  if (genetic) layout.squaresByLane.assign(n, 1.0);
  // Without inputs the tables are empty: there is nothing to place, and a
  // pattern's offset into an empty table would be taken from a null pointer.
  if (n == 0) return;
  for (int32_t p = 1; p <= patterns; ++p) {
    const int64_t b = (p - 1) / kGrnnBlock;
    const int lane = (p - 1) % kGrnnBlock;
    const double* t = net.TrainingInputs.Row(p);
    double* out = layout.inputsByLane.data() + b * inputs * kGrnnBlock + lane;
    for (int j = 0; j < inputs; ++j) out[j * kGrnnBlock] = t[j + 1];
    if (genetic) {
      const double* s = net.GeneticSmoothing.Row(p);
      double* sq = layout.squaresByLane.data() + b * inputs * kGrnnBlock + lane;
      for (int j = 0; j < inputs; ++j) sq[j * kGrnnBlock] = s[j + 1] * s[j + 1];
    }
  }
}

namespace {

using namespace lanes;

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
    const double* t = layout.inputsByLane.data() + b * n * kGrnnBlock;
    const double* s = Genetic ? layout.squaresByLane.data() + b * n * kGrnnBlock : nullptr;
    V acc[CT][kVectors];
    for (int c = 0; c < CT; ++c)
      for (int v = 0; v < kVectors; ++v) acc[c][v] = V{};
    for (int j = 0; j < n; ++j) {
      // Loads straight into registers: a copy through memcpy went via the stack.
      V tv[kVectors];
      V sv[kVectors];
      for (int v = 0; v < kVectors; ++v) {
        Load(tv[v], t + j * kGrnnBlock + v * kLanes);
        if constexpr (Genetic) Load(sv[v], s + j * kGrnnBlock + v * kLanes);
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

#if QUENBY_WIDE_VECTORS
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

void GrnnExponents(VectorIsa isa, const GrnnPatternLayout& layout, bool genetic, double twoSigmaSquared,
                   const double* const* caseInputs, int caseCount, int64_t firstBlock, int64_t endBlock,
                   double* const* exponents) {
  if (!VectorIsaAvailable(isa)) isa = VectorIsa::Baseline;
  switch (isa) {
#if QUENBY_WIDE_VECTORS
    case VectorIsa::Avx512:
      ExponentsAvx512(layout, genetic, twoSigmaSquared, caseInputs, caseCount, firstBlock, endBlock, exponents);
      return;
    case VectorIsa::Avx2:
      ExponentsAvx2(layout, genetic, twoSigmaSquared, caseInputs, caseCount, firstBlock, endBlock, exponents);
      return;
#endif
    default:
      ExponentsBaseline(layout, genetic, twoSigmaSquared, caseInputs, caseCount, firstBlock, endBlock, exponents);
      return;
  }
}

}  // namespace quenby
