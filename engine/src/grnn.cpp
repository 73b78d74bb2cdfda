#include "grnn.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/checked16.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "compiled_file.h"
#include "exponential_lanes.h"
#include "grnn_kernel.h"
#include "kernel_execution.h"
#include "loaded_network.h"
#include "thread_fan_out.h"

namespace quenby {

namespace {

// The threshold below which a case's weights count as none at all.
constexpr double kLeastWeightSum = 1E-140;

enum class Calibration { None, Holdout, Genetic };

Calibration CalibrationOf(const std::string& text) {
  if (text == "Holdout") return Calibration::Holdout;
  if (text == "Genetic") return Calibration::Genetic;
  return Calibration::None;
}

// A positive, finite divisor; anything else is the fault the kernel would
// run into.
bool UsableSquare(double s2) { return s2 > 0.0 && s2 <= DBL_MAX; }

[[noreturn]] void FailKernel(const std::string& what, int64_t i, int64_t p) {
  common::Fail(common::FailureClass::FloatingPoint,
               "general regression network \"" + Net().ProjectPath + "\": " + what + " at case " +
                   std::to_string(i) + ", pattern " + std::to_string(p));
}

// Who reads the tables, for a table-size failure.
std::string Reader() { return "the general regression network \"" + Net().ProjectPath + "\""; }

// The tables an estimate reads for patterns 1..P, inputs 1..nIn, outputs
// 1..nOut of cases 1..cases. Only what the loops reach is required.
void RequireEstimateTables(bool genetic, int64_t cases, int32_t patternCount, int16_t inputCount, int16_t outputCount) {
  const LoadedNetwork& net = Net();
  if (patternCount < 1) return;
  const std::string reader = Reader();
  if (inputCount >= 1) {
    RequireCells(net.ScaledInputs, cases, inputCount, "ScaledInputs", reader);
    RequireCells(net.TrainingInputs, patternCount, inputCount, "TrainingInputs", reader);
    if (genetic) RequireCells(net.GeneticSmoothing, patternCount, inputCount, "GeneticSmoothing", reader);
  }
  RequireCells(net.TrainingOutputs, patternCount, outputCount, "TrainingOutputs", reader);
}

// A number for a message, without the blanks of the general number form.
std::string Num(double v) {
  std::string text = common::GeneralNumber(v);
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  return first == std::string::npos ? text : text.substr(first, last - first + 1);
}

// Why a kernel exponent is not finite, for the failure message.
std::string ExponentFault(bool genetic, double twoSigmaSquared, const double* s, int16_t inputCount,
                          double squaredDistance) {
  if (!genetic) {
    const double sigma = Net().GrnnSmoothing;
    if (twoSigmaSquared == 0.0)
      return sigma == 0.0 ? "the smoothing factor 0 divides by zero"
                          : "the smoothing factor " + Num(sigma) + " squares to 0 and divides by zero";
  } else {
    for (int j = 1; j <= inputCount; ++j)
      if (!UsableSquare(s[j] * s[j]))
        return "the smoothing factor of input " + std::to_string(j) + " (" + Num(s[j]) +
               ") divides by zero, overflows or is not a number";
  }
  if (std::isnan(squaredDistance)) return "the squared distance is not a number";
  if (std::isinf(squaredDistance)) return "the squared distance overflows";
  return "the kernel exponent overflows";
}

template <bool Genetic>
double Estimate(double twoSigmaSquared, int32_t i, int32_t patternCount, int16_t inputCount, int16_t k) {
  if (patternCount < 1) return 1.0;
  const LoadedNetwork& net = Net();
  RequireEstimateTables(Genetic, i, patternCount, inputCount, k);
  if (!Genetic && !UsableSquare(twoSigmaSquared)) {
    if (twoSigmaSquared == 0.0 || std::isnan(twoSigmaSquared))
      FailKernel(ExponentFault(false, twoSigmaSquared, nullptr, inputCount, 0.0), i, 1);
    FailKernel("the smoothing factor " + Num(net.GrnnSmoothing) + " overflows when squared", i, 1);
  }
  const double* x = net.ScaledInputs.Row(i);
  double weightedSum = 0.0;
  double weightSum = 0.0;
  for (int32_t p = 1; p <= patternCount; ++p) {
    const double* t = net.TrainingInputs.Row(p);
    const double* s = Genetic ? net.GeneticSmoothing.Row(p) : nullptr;
    double squaredDistance = 0.0;
    for (int j = 1; j <= inputCount; ++j) {
      const double d = t[j] - x[j];
      if constexpr (Genetic) {
        const double s2 = s[j] * s[j];
        if (!UsableSquare(s2)) FailKernel(ExponentFault(true, 0.0, s, inputCount, squaredDistance), i, p);
        squaredDistance = squaredDistance + (d * d) / s2;
      } else {
        squaredDistance = squaredDistance + d * d;
      }
    }
    const double q = Genetic ? -squaredDistance : -squaredDistance / twoSigmaSquared;
    if (!(q >= -DBL_MAX)) FailKernel(ExponentFault(Genetic, twoSigmaSquared, s, inputCount, squaredDistance), i, p);
    const double w = Exp(q);
    weightedSum = weightedSum + w * net.TrainingOutputs(p, k);
    weightSum = weightSum + w;
    if (!std::isfinite(weightedSum))
      FailKernel("the weighted sum of output " + std::to_string(k) +
                     (std::isnan(weightedSum) ? " is not a number" : " overflows"),
                 i, p);
  }
  if (weightSum > kLeastWeightSum) {
    const double estimate = weightedSum / weightSum;
    if (!std::isfinite(estimate))
      FailKernel("the estimate of output " + std::to_string(k) + " overflows", i, patternCount);
    return estimate;
  }
  return 1.0;
}

// Runs the plain loop over every output of case i, which fails at the
// first fault in the order the outputs are computed. Used once the fast
// path has seen that case i faults somewhere.
[[noreturn]] void FailAtCase(Calibration calibration, double twoSigmaSquared, int32_t i, int32_t patternCount,
                             int16_t inputCount, int16_t outputCount) {
  for (int16_t k = 1; k <= outputCount; ++k) {
    if (calibration == Calibration::Holdout)
      Estimate<false>(twoSigmaSquared, i, patternCount, inputCount, k);
    else
      Estimate<true>(0.0, i, patternCount, inputCount, k);
  }
  FailKernel("a kernel value is not finite", i, patternCount);
}

// One part's tables, allocated before the fan-out.
struct GrnnJob {
  std::vector<double> exponents;  // chunk cases x pattern slots
  std::vector<char> finite;       // per case of a chunk
  std::vector<const double*> rows;
  std::vector<double*> outs;
};

struct GrnnPass {
  const GrnnPatternLayout* layout;
  VectorIsa isa;
  bool genetic;
  double twoSigmaSquared;
  int32_t patternCount;
  int16_t outputCount;
  int chunkCases;
  int64_t blockChunk;
  std::atomic<int32_t> firstFault{std::numeric_limits<int32_t>::max()};
};

// A = sum of w x TrainingOutputs(p, k) and W = sum of w over the patterns in
// order, for CG cases at once: their running sums are independent, so they
// overlap instead of waiting on one another.
template <int CG>
[[gnu::always_inline]] inline void WeightedSums(double* const* w, const Array2<double>& outputs, int k,
                                                int32_t patternCount, double* weightedSum, double* weightSum) {
  double a[CG];
  double s[CG];
  for (int c = 0; c < CG; ++c) a[c] = s[c] = 0.0;
  const double* t = outputs.data() + k;
  const int64_t stride = outputs.Upper2() + 1;
  for (int32_t p = 0; p < patternCount; ++p) {
    const double tp = t[(p + 1) * stride];
    for (int c = 0; c < CG; ++c) {
      const double wc = w[c][p];
      a[c] = a[c] + wc * tp;
      s[c] = s[c] + wc;
    }
  }
  for (int c = 0; c < CG; ++c) {
    weightedSum[c] = a[c];
    weightSum[c] = s[c];
  }
}

// Cases first..last: exponents for a chunk of cases, pattern
// block by pattern block so that a block stays in cache for the whole
// chunk, then each case's weights and its weighted sums. Stops at the
// first faulting case and returns it (last + 1 when none), or once another
// job found an earlier one. Allocates nothing and cannot throw: it may run
// on a worker thread.
int32_t RunJob(GrnnPass& pass, GrnnJob& job, int32_t first, int32_t last) noexcept {
  LoadedNetwork& net = Net();
  const GrnnPatternLayout& layout = *pass.layout;
  const int64_t slots = layout.blocks * kGrnnBlock;
  const int32_t patternCount = pass.patternCount;
  const int16_t outputCount = pass.outputCount;
  std::vector<const double*>& rows = job.rows;
  std::vector<double*>& outs = job.outs;
  for (int32_t i0 = first; i0 <= last; i0 += pass.chunkCases) {
    if (pass.firstFault.load(std::memory_order_relaxed) < i0) return last + 1;
    const int chunkSize = static_cast<int>(std::min<int64_t>(pass.chunkCases, int64_t{last} - i0 + 1));
    for (int c = 0; c < chunkSize; ++c) {
      rows[static_cast<size_t>(c)] = net.ScaledInputs.Row(i0 + c) + 1;
      outs[static_cast<size_t>(c)] = job.exponents.data() + c * slots;
    }
    for (int64_t b0 = 0; b0 < layout.blocks; b0 += pass.blockChunk)
      GrnnExponents(pass.isa, layout, pass.genetic, pass.twoSigmaSquared, rows.data(), chunkSize, b0,
                    std::min(layout.blocks, b0 + pass.blockChunk), outs.data());
    char* finite = job.finite.data();
    for (int c = 0; c < chunkSize; ++c) {
      double* e = outs[static_cast<size_t>(c)];
      bool finiteExponents = true;
      for (int32_t p = 0; p < patternCount; ++p) finiteExponents &= e[p] >= -DBL_MAX;
      finite[c] = finiteExponents;
      ExpArray(pass.isa, e, static_cast<size_t>(patternCount));
    }
    for (int c = 0; c < chunkSize;) {
      const int group = chunkSize - c >= 4 ? 4 : 1;
      for (int k = 1; k <= outputCount; ++k) {
        double weightedSum[4];
        double weightSum[4];
        if (group == 4)
          WeightedSums<4>(outs.data() + c, net.TrainingOutputs, k, patternCount, weightedSum, weightSum);
        else
          WeightedSums<1>(outs.data() + c, net.TrainingOutputs, k, patternCount, weightedSum, weightSum);
        for (int m = 0; m < group; ++m) {
          const double estimate = weightSum[m] > kLeastWeightSum ? weightedSum[m] / weightSum[m] : 1.0;
          net.NetOutputs(i0 + c + m, k) = estimate;
          finite[c + m] &= std::isfinite(weightedSum[m]) && std::isfinite(estimate);
        }
      }
      c += group;
    }
    for (int c = 0; c < chunkSize; ++c) {
      if (finite[c]) continue;
      const int32_t i = i0 + c;
      int32_t seen = pass.firstFault.load();
      while (i < seen && !pass.firstFault.compare_exchange_weak(seen, i)) {
      }
      return i;
    }
  }
  return last + 1;
}

// Below this many kernel terms a second thread costs more than it saves.
constexpr int64_t kThreadedTerms = int64_t{1} << 21;

void RunFastPath(Calibration calibration, double twoSigmaSquared, int32_t cases, int32_t patternCount,
                 int16_t inputCount, int16_t outputCount) {
  const LoadedNetwork& net = Net();
  const bool genetic = calibration == Calibration::Genetic;
  GrnnPatternLayout layout;
  BuildGrnnPatternLayout(net, patternCount, inputCount, genetic, layout);
  // Every smoothing factor is reached on the first case.
  bool usable = genetic ? std::all_of(layout.squaresByLane.begin(), layout.squaresByLane.end(), UsableSquare)
                        : UsableSquare(twoSigmaSquared);
  if (!usable) FailAtCase(calibration, twoSigmaSquared, 1, patternCount, inputCount, outputCount);

  const int64_t slots = layout.blocks * kGrnnBlock;
  GrnnPass pass;
  pass.layout = &layout;
  pass.isa = KernelExecutionSettings().isa;
  pass.genetic = genetic;
  pass.twoSigmaSquared = twoSigmaSquared;
  pass.patternCount = patternCount;
  pass.outputCount = outputCount;
  // A chunk's exponents stay within a few MB; a block chunk within L2.
  pass.chunkCases = static_cast<int>(std::clamp<int64_t>((int64_t{1} << 19) / slots, 4, 64));
  const int64_t blockBytes = int64_t{kGrnnBlock} * std::max<int16_t>(inputCount, 1) * 8 * (genetic ? 2 : 1);
  pass.blockChunk = std::max<int64_t>(1, (int64_t{256} << 10) / blockBytes);

  const int threads = ThreadsFor(KernelExecutionSettings().threads, cases,
                                 int64_t{cases} * slots * std::max<int16_t>(inputCount, 1), kThreadedTerms);
  std::vector<GrnnJob> jobs(static_cast<size_t>(threads));
  for (GrnnJob& job : jobs) {
    job.exponents.assign(static_cast<size_t>(pass.chunkCases * slots), 0.0);
    job.finite.assign(static_cast<size_t>(pass.chunkCases), 1);
    job.rows.assign(static_cast<size_t>(pass.chunkCases), nullptr);
    job.outs.assign(static_cast<size_t>(pass.chunkCases), nullptr);
  }
  const int32_t fault = InParts(threads, 1, cases, [&](int part, int32_t from, int32_t to) {
    return RunJob(pass, jobs[static_cast<size_t>(part)], from, to);
  });
  if (fault <= cases) FailAtCase(calibration, twoSigmaSquared, fault, patternCount, inputCount, outputCount);
}

}  // namespace

void ScaleGrnnInputs(int32_t cases, int16_t inputCount) {
  LoadedNetwork& net = Net();
  net.ScaledInputs.Redim(cases, inputCount, "ScaledInputs");
  if (cases < 1 || inputCount < 1) return;
  if (net.NetInputColumns.Upper() < inputCount)
    FailSubscript("NetInputColumns", inputCount, net.NetInputColumns.Upper());
  RequireCells(net.NetInputs, cases, inputCount, "NetInputs", Reader());
  const int64_t lastColumn = std::min(net.VarMin.Upper(), net.VarMax.Upper());
  for (int j = 1; j <= inputCount; ++j) {
    const int16_t c = net.NetInputColumns(j);
    if (c < 0 || c > lastColumn) FailSubscript("VarMin", c, lastColumn);
  }
  for (int32_t i = 1; i <= cases; ++i) {
    const double* in = net.NetInputs.Row(i);
    double* out = net.ScaledInputs.Row(i);
    for (int j = 1; j <= inputCount; ++j) {
      const int16_t c = net.NetInputColumns(j);
      const double low = net.VarMin(c);
      const double high = net.VarMax(c);
      if (!(high < low || high > low)) {
        out[j] = 1.0;
        continue;
      }
      const double range = high - low;
      out[j] = ((in[j] - low) / range) * 2.0 - 1.0;
      if (!std::isfinite(range) || !std::isfinite(out[j]))
        common::Fail(common::FailureClass::FloatingPoint,
                     "general regression network \"" + net.ProjectPath + "\": input " + std::to_string(j) +
                         " of case " + std::to_string(i) + " (" + Num(in[j]) + ", column " + std::to_string(c) +
                         " from " + Num(low) + " to " + Num(high) + ") does not scale to a finite value");
    }
  }
}

double HoldoutEstimate(double smoothing, int32_t i, int32_t patternCount, int16_t inputCount, int16_t k) {
  const double s2 = smoothing * smoothing;
  return Estimate<false>(s2 + s2, i, patternCount, inputCount, k);
}

double GeneticEstimate(int32_t i, int32_t patternCount, int16_t inputCount, int16_t k) {
  return Estimate<true>(0.0, i, patternCount, inputCount, k);
}

void RunGrnn() {
  ConvertPendingGrnnSection();  // the patterns, on the network's first use
  LoadedNetwork& net = Net();
  const int16_t inputCount =
      common::Add16(net.DirectInputCount, net.DerivedInputCount, "DirectInputCount + DerivedInputCount");
  const int64_t rows = net.NetInputs.Upper1();
  if (rows > std::numeric_limits<int32_t>::max())
    common::Fail(common::FailureClass::Overflow, "the general regression network takes at most 2147483647 cases, not " +
                                                     std::to_string(rows));
  const int32_t cases = static_cast<int32_t>(rows);
  ScaleGrnnInputs(cases, inputCount);

  const Calibration calibration = CalibrationOf(net.GrnnCalibration);
  const int16_t outputCount = net.OutputCount;
  if (calibration == Calibration::None || cases < 1 || outputCount < 1) return;
  RequireCells(net.NetOutputs, cases, outputCount, "NetOutputs", Reader());
  const int32_t patternCount = net.TrainingCount;
  if (patternCount < 1) {
    for (int32_t i = 1; i <= cases; ++i)
      for (int k = 1; k <= outputCount; ++k) net.NetOutputs(i, k) = 1.0;
    return;
  }
  RequireEstimateTables(calibration == Calibration::Genetic, cases, patternCount, inputCount, outputCount);
  const double s2 = net.GrnnSmoothing * net.GrnnSmoothing;
  RunFastPath(calibration, s2 + s2, cases, patternCount, inputCount, outputCount);
}

}  // namespace quenby
