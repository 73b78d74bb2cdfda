#pragma once
// The general regression evaluation ("GRNN"): for every case, a
// kernel-weighted mean of the stored training patterns' outputs.
//
// Every result is bit-identical to the plain loop that HoldoutEstimate and
// GeneticEstimate spell out: each pattern's squared distance is summed over
// the inputs in order, and the weighted sums over the patterns in order.
// RunGrnn gets its speed from doing those same operations on several
// patterns and cases at once (grnn_kernel.h) and from computing a case's
// weights once for all of its outputs.
#include <cstdint>

namespace quenby {

// Scales Net().NetInputs into Net().ScaledInputs (no clamping) and writes
// one estimate per case and output into Net().NetOutputs, in network units.
// NetOutputs must already be (0 To cases, 0 To OutputCount), all 0.0, where
// cases = NetInputs.Upper1(). A calibration text other than exactly
// "Holdout" or "Genetic" leaves NetOutputs at 0.0.
// Fails with Overflow when DirectInputCount + DerivedInputCount exceeds
// 32767, Subscript when a table is too small for the counts it is read
// with, FloatingPoint (naming the project, the case and the pattern) when a
// kernel divides by zero, overflows or meets a value that is not a number;
// a weight that underflows to 0 is no failure.
void RunGrnn();

// Re-creates Net().ScaledInputs as (0 To cases, 0 To inputCount) and fills
// rows 1..cases, columns 1..inputCount: ((x - min) / (max - min)) * 2 - 1
// by the column NetInputColumns(j), or 1.0 when min equals max (or either
// is not a number). Values outside the column's range scale beyond [-1, 1].
// Fails with FloatingPoint when a scaled value or a column's range is not
// finite.
void ScaleGrnnInputs(int32_t cases, int16_t inputCount);

// The "Holdout" estimate of output k for case i: the mean of
// TrainingOutputs(p, k) over p = 1..patternCount weighted by
// exp(-D / (2 smoothing^2)), D the squared distance between
// TrainingInputs(p, .) and ScaledInputs(i, .). 1.0 when patternCount < 1 or
// the weights add up to 1E-140 or less. Reads ScaledInputs, TrainingInputs
// and TrainingOutputs, whose bounds must cover i, patternCount, inputCount
// and k (checked, Subscript). FloatingPoint failure as for RunGrnn.
double HoldoutEstimate(double smoothing, int32_t i, int32_t patternCount, int16_t inputCount, int16_t k);

// The "Genetic" estimate: as HoldoutEstimate with the weight exp(-D), where
// each input's squared difference is divided by GeneticSmoothing(p, j)^2.
double GeneticEstimate(int32_t i, int32_t patternCount, int16_t inputCount, int16_t k);

}  // namespace quenby
