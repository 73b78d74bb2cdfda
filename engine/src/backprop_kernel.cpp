#include "backprop_kernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "exponential_lanes.h"
#include "kernel_execution.h"
#include "thread_fan_out.h"
#include "vector_lanes.h"

namespace quenby {

namespace {

using namespace lanes;

// Cases per group: the widest set takes 16 at once; workspaces are sized
// for it whatever the set.
constexpr int kMostLanes = 16;

// Below these many terms a second thread costs more than it saves.
constexpr int64_t kThreadedScaleTerms = int64_t{1} << 19;
constexpr int64_t kThreadedForwardTerms = int64_t{1} << 21;

// ---- input scaling ---------------------------------------------------------

// RangeScale without the failure: the caller checks the result is finite.
[[gnu::always_inline]] inline double ScaleOne(double x, double min, double max) {
  if (min == max || x >= max) return 1.0;
  if (x <= min) return -1.0;
  return 2.0 * (x - min) / (max - min) - 1.0;
}

template <class V>
[[gnu::always_inline]] inline int32_t ScaleRowsT(const Array2<double>& netInputs, Array2<double>& scaled,
                                                 const double* min, const double* max, int inputs, int32_t first,
                                                 int32_t last) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  const V one = V{} + 1.0;
  const V minusOne = V{} - 1.0;
  for (int32_t i = first; i <= last; ++i) {
    const double* in = netInputs.Row(i);
    double* out = scaled.Row(i);
    out[1] = 1.0;
    bool finite = true;
    int j = 1;
    for (; j + kLanes - 1 <= inputs; j += kLanes) {
      V x, low, high;
      Load(x, in + j);
      Load(low, min + j);
      Load(high, max + j);
      const V formula = 2.0 * (x - low) / (high - low) - 1.0;
      const V r = (low == high || x >= high) ? one : (x <= low ? minusOne : formula);
      Store(out + j + 1, r);
      const V z = r - r;  // 0 for a finite lane, not-a-number otherwise
      for (int l = 0; l < kLanes; ++l) finite &= z[l] == 0.0;
    }
    for (; j <= inputs; ++j) {
      const double r = ScaleOne(in[j], min[j], max[j]);
      out[j + 1] = r;
      finite &= std::isfinite(r);
    }
    if (!finite) return i;
  }
  return last + 1;
}

int32_t ScaleRowsBaseline(const Array2<double>& netInputs, Array2<double>& scaled, const double* min, const double* max,
                          int inputs, int32_t first, int32_t last) {
  return ScaleRowsT<V2>(netInputs, scaled, min, max, inputs, first, last);
}
#if QUENBY_WIDE_VECTORS
__attribute__((target("avx2"))) int32_t ScaleRowsAvx2(const Array2<double>& netInputs, Array2<double>& scaled,
                                                      const double* min, const double* max, int inputs, int32_t first,
                                                      int32_t last) {
  return ScaleRowsT<V4>(netInputs, scaled, min, max, inputs, first, last);
}
#endif

// ---- forward pass ------------------------------------------------------------

// One worker's tables, allocated before the worker starts: inputs of a group
// of cases transposed (input, case), the hidden sums (neuron, case), the
// hidden-layer units (unit, case), the output sums (output, case). A row
// holds as many cases as the instruction set takes at once.
struct Workspace {
  std::vector<double> x, sums, units, outSums;
  void Size(const BackPropPlan& plan) {
    const size_t k = kMostLanes;
    x.assign(static_cast<size_t>(plan.inRows) * k, 0.0);
    sums.assign(static_cast<size_t>(std::max(plan.hidden, 1)) * k, 0.0);
    units.assign(static_cast<size_t>(plan.biasUnits + plan.hidden + 1) * k, 0.0);
    outSums.assign(static_cast<size_t>(std::max(plan.outputs, 1)) * k, 0.0);
  }
};

// Sums into NB neurons from n0 on for the group's kGroupCases = lanes * CV cases:
// sum = sum + x(l) * w(l, n), l = 1..inRows in order, from 0.
template <class V, int CV, int NB>
[[gnu::always_inline]] inline void HiddenBlock(const double* x, const Array2<double>& w, int inRows, int n0,
                                               double* sums) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  constexpr int kGroupCases = kLanes * CV;
  V acc[NB][CV];
  for (int j = 0; j < NB; ++j)
    for (int v = 0; v < CV; ++v) acc[j][v] = V{};
  for (int l = 0; l < inRows; ++l) {
    V xv[CV];
    for (int v = 0; v < CV; ++v) Load(xv[v], x + l * kGroupCases + v * kLanes);
    const double* wl = w.Row(l + 1) + n0;
    for (int j = 0; j < NB; ++j) {
      const double wj = wl[j];
      for (int v = 0; v < CV; ++v) acc[j][v] = acc[j][v] + xv[v] * wj;
    }
  }
  for (int j = 0; j < NB; ++j)
    for (int v = 0; v < CV; ++v) Store(sums + (n0 - 1 + j) * kGroupCases + v * kLanes, acc[j][v]);
}

// The activations of Kind for a vector of sums, lane by lane what
// ActivateKind does: the same saturation and the same operations, e^x from
// the lanes' Exp. Saturated lanes take e^0, which no one reads.
template <ActivationKind Kind, class V>
[[gnu::always_inline]] inline void ActivateVector(const V& x, V& y) {
  constexpr double kSaturation = 15.0;
  typename Mask<V>::type low, high;
  ToMask(x < -kSaturation, low);
  ToMask(x > kSaturation, high);
  const V one = V{} + 1.0;
  V held;
  Select(low | high, V{}, x, held);
  V e;
  if constexpr (Kind == ActivationKind::Logistic) {
    ExpLanes<V>(-held, e);
    const V f = 1.0 / (e + 1.0);
    V t;
    Select(high, one, f, t);
    Select(low, V{}, t, y);
  } else if constexpr (Kind == ActivationKind::Gaussian) {
    ExpLanes<V>(-(held * held), e);
    Select(low | high, V{}, e, y);
  } else if constexpr (Kind == ActivationKind::TanHyperbolic) {
    V down;
    ExpLanes<V>(held, e);
    ExpLanes<V>(-held, down);
    const V f = (e - down) / (down + e);
    V t;
    Select(high, one, f, t);
    Select(low, V{} - 1.0, t, y);
  } else if constexpr (Kind == ActivationKind::GauComplement) {
    ExpLanes<V>(-(held * held), e);
    Select(low | high, one, 1.0 - e, y);
  } else {
    y = V{};
  }
}

template <ActivationKind Kind, class V>
[[gnu::always_inline]] inline void ActivateLanes(const double* s, double* out, int k) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  int c = 0;
  for (; c + kLanes <= k; c += kLanes) {
    V x, y;
    Load(x, s + c);
    ActivateVector<Kind>(x, y);
    Store(out + c, y);
  }
  for (; c < k; ++c) out[c] = ActivateKind(Kind, s[c]);
}

template <class V>
[[gnu::always_inline]] inline void ActivateGroup(ActivationKind kind, const double* s, double* out, int k) {
  switch (kind) {
    case ActivationKind::Logistic:
      return ActivateLanes<ActivationKind::Logistic, V>(s, out, k);
    case ActivationKind::Gaussian:
      return ActivateLanes<ActivationKind::Gaussian, V>(s, out, k);
    case ActivationKind::TanHyperbolic:
      return ActivateLanes<ActivationKind::TanHyperbolic, V>(s, out, k);
    case ActivationKind::GauComplement:
      return ActivateLanes<ActivationKind::GauComplement, V>(s, out, k);
    case ActivationKind::None:
      return ActivateLanes<ActivationKind::None, V>(s, out, k);
  }
}

[[gnu::always_inline]] inline bool AllFinite(const double* v, size_t n) {
  bool finite = true;
  for (size_t i = 0; i < n; ++i) finite &= (v[i] - v[i]) == 0.0;
  return finite;
}

template <class V, int CV, int NB>
[[gnu::always_inline]] inline int32_t ForwardT(const BackPropPlan& plan, const Array2<double>& scaled,
                                               const Array2<double>& inputWeights, const Array2<double>& outputWeights,
                                               Array2<double>& netOutputs, int32_t first, int32_t last,
                                               Workspace& workspace) {
  constexpr int kLanes = sizeof(V) / sizeof(double);
  constexpr int kGroupCases = kLanes * CV;
  static_assert(kGroupCases <= kMostLanes);
  const int inRows = plan.inRows;
  const int hidden = plan.hidden;
  const int units = plan.biasUnits + hidden;
  double* x = workspace.x.data();
  double* sums = workspace.sums.data();
  double* unitValues = workspace.units.data();
  double* outSums = workspace.outSums.data();
  std::fill_n(unitValues + kGroupCases, static_cast<size_t>(plan.biasUnits) * kGroupCases, 1.0);  // the bias units
  for (int32_t c0 = first; c0 <= last; c0 += kGroupCases) {
    const int count = static_cast<int>(std::min<int64_t>(kGroupCases, int64_t{last} - c0 + 1));
    for (int c = 0; c < kGroupCases; ++c) {
      if (c < count) {
        const double* row = scaled.Row(c0 + c);
        for (int l = 0; l < inRows; ++l) x[l * kGroupCases + c] = row[l + 1];
      } else {
        for (int l = 0; l < inRows; ++l) x[l * kGroupCases + c] = 0.0;  // padding lanes: computed, never written
      }
    }
    int n = 1;
    for (; n + NB - 1 <= hidden; n += NB) HiddenBlock<V, CV, NB>(x, inputWeights, inRows, n, sums);
    for (; n + 3 <= hidden; n += 4) HiddenBlock<V, CV, 4>(x, inputWeights, inRows, n, sums);
    for (; n <= hidden; ++n) HiddenBlock<V, CV, 1>(x, inputWeights, inRows, n, sums);
    if (!AllFinite(sums, static_cast<size_t>(hidden) * kGroupCases)) return c0;
    for (int h = 0; h < hidden; ++h) {
      ActivateGroup<V>(plan.neuronKinds[static_cast<size_t>(h)], sums + h * kGroupCases,
                       unitValues + (plan.biasUnits + 1 + h) * kGroupCases, kGroupCases);
    }
    for (int k = 1; k <= plan.outputs; ++k) {
      V acc[CV];
      for (int v = 0; v < CV; ++v) acc[v] = V{};
      for (int m = 1; m <= units; ++m) {
        const double wm = outputWeights(m, k);
        for (int v = 0; v < CV; ++v) {
          V h;
          Load(h, unitValues + m * kGroupCases + v * kLanes);
          acc[v] = acc[v] + wm * h;
        }
      }
      for (int v = 0; v < CV; ++v) Store(outSums + (k - 1) * kGroupCases + v * kLanes, acc[v]);
    }
    if (!AllFinite(outSums, static_cast<size_t>(plan.outputs) * kGroupCases)) return c0;
    for (int k = 1; k <= plan.outputs; ++k) {
      double activated[kGroupCases];
      ActivateGroup<V>(plan.outputKind, outSums + (k - 1) * kGroupCases, activated, count);
      for (int c = 0; c < count; ++c) netOutputs(c0 + c, k) = activated[c];
    }
  }
  return last + 1;
}

int32_t ForwardBaseline(const BackPropPlan& plan, const Array2<double>& scaled, const Array2<double>& inputWeights,
                        const Array2<double>& outputWeights, Array2<double>& netOutputs, int32_t first, int32_t last,
                        Workspace& workspace) {
  return ForwardT<V2, 2, 6>(plan, scaled, inputWeights, outputWeights, netOutputs, first, last, workspace);
}
#if QUENBY_WIDE_VECTORS
__attribute__((target("avx2"))) int32_t ForwardAvx2(const BackPropPlan& plan, const Array2<double>& scaled,
                                                    const Array2<double>& inputWeights,
                                                    const Array2<double>& outputWeights, Array2<double>& netOutputs,
                                                    int32_t first, int32_t last, Workspace& workspace) {
  return ForwardT<V4, 2, 6>(plan, scaled, inputWeights, outputWeights, netOutputs, first, last, workspace);
}
__attribute__((target("avx512f"))) int32_t ForwardAvx512(const BackPropPlan& plan, const Array2<double>& scaled,
                                                         const Array2<double>& inputWeights,
                                                         const Array2<double>& outputWeights,
                                                         Array2<double>& netOutputs, int32_t first, int32_t last,
                                                         Workspace& workspace) {
  return ForwardT<V8, 2, 12>(plan, scaled, inputWeights, outputWeights, netOutputs, first, last, workspace);
}
#endif

VectorIsa UsableIsa() {
  const VectorIsa isa = KernelExecutionSettings().isa;
  return VectorIsaAvailable(isa) ? isa : VectorIsa::Baseline;
}

}  // namespace

int32_t ScaleRowsFast(const Array2<double>& netInputs, Array2<double>& scaledInputs, const double* min,
                      const double* max, int inputs, int32_t first, int32_t last) {
  if (first > last) return last + 1;
  const VectorIsa isa = UsableIsa();
  const int64_t rows = int64_t{last} - first + 1;
  const int threads = ThreadsFor(KernelExecutionSettings().threads, rows, rows * inputs, kThreadedScaleTerms);
  return InParts(threads, first, last, [&](int, int32_t from, int32_t to) {
    switch (isa) {
#if QUENBY_WIDE_VECTORS
      case VectorIsa::Avx512:  // 8 lanes of compares and selects measured slower than 4
      case VectorIsa::Avx2:
        return ScaleRowsAvx2(netInputs, scaledInputs, min, max, inputs, from, to);
#endif
      default:
        return ScaleRowsBaseline(netInputs, scaledInputs, min, max, inputs, from, to);
    }
  });
}

int32_t ForwardCasesFast(const BackPropPlan& plan, const Array2<double>& scaledInputs, const Array2<double>& inputWeights,
                         const Array2<double>& outputWeights, Array2<double>& netOutputs, int32_t first, int32_t last) {
  if (first > last) return last + 1;
  const VectorIsa isa = UsableIsa();
  const int64_t rows = int64_t{last} - first + 1;
  const int64_t terms = rows * (int64_t{plan.inRows} * plan.hidden + int64_t{plan.biasUnits + plan.hidden} * plan.outputs);
  const int threads = ThreadsFor(KernelExecutionSettings().threads, rows, terms, kThreadedForwardTerms);
  // Sized here, so that a worker allocates nothing and cannot throw.
  std::vector<Workspace> spaces(static_cast<size_t>(threads));
  for (Workspace& workspace : spaces) workspace.Size(plan);
  return InParts(threads, first, last, [&](int t, int32_t from, int32_t to) {
    Workspace& workspace = spaces[static_cast<size_t>(t)];
    switch (isa) {
#if QUENBY_WIDE_VECTORS
      case VectorIsa::Avx512:
        return ForwardAvx512(plan, scaledInputs, inputWeights, outputWeights, netOutputs, from, to, workspace);
      case VectorIsa::Avx2:
        return ForwardAvx2(plan, scaledInputs, inputWeights, outputWeights, netOutputs, from, to, workspace);
#endif
      default:
        return ForwardBaseline(plan, scaledInputs, inputWeights, outputWeights, netOutputs, from, to, workspace);
    }
  });
}

}  // namespace quenby
