#pragma once
// The general regression network's hot loop: the kernel exponents of many
// (case, pattern) pairs at once, patterns in the vector lanes.
//
// Each lane does for its own pattern exactly what the plain loop does:
// D = 0, then D = D + (t - x)^2 for the inputs in order (divided by the
// pattern's squared smoothing factor for "Genetic"), then -D / (2 sigma^2)
// ("Holdout") or -D ("Genetic"). Only IEEE subtraction, multiplication,
// division and addition are used, so every instruction set gives the same
// bits as the scalar loop.
#include <cstdint>
#include <vector>

#include "loaded_network.h"
#include "vector_lanes.h"

namespace quenby {

// Patterns per block: a block holds input j of its patterns side by side.
inline constexpr int kGrnnBlock = 16;

// Training patterns laid out once per call for the lanes:
// element (block, j, lane) is input j + 1 of pattern block * kGrnnBlock +
// lane + 1. Lanes past the last pattern are padding, computed and ignored.
struct GrnnPatternLayout {
  int32_t patterns = 0;
  int16_t inputs = 0;
  int64_t blocks = 0;
  std::vector<double> inputsByLane;   // TrainingInputs
  std::vector<double> squaresByLane;  // GeneticSmoothing squared ("Genetic" only); padding 1.0
};

// Lays out TrainingInputs (and, when genetic, the squares of
// GeneticSmoothing) of patterns 1..patterns, inputs 1..inputs. The tables
// must cover those bounds.
void BuildGrnnPatternLayout(const LoadedNetwork& net, int32_t patterns, int16_t inputs, bool genetic,
                            GrnnPatternLayout& layout);

// For each case c in 0..caseCount-1 and each pattern slot s of blocks
// firstBlock..endBlock-1, writes the kernel exponent into
// exponents[c][s] (s counts from block 0). caseInputs[c] points at the
// case's scaled input 1 (inputs laid out 1..n contiguously).
// twoSigmaSquared is 2 sigma^2 for "Holdout" and unused for "Genetic".
void GrnnExponents(VectorIsa isa, const GrnnPatternLayout& layout, bool genetic, double twoSigmaSquared,
                   const double* const* caseInputs, int caseCount, int64_t firstBlock, int64_t endBlock,
                   double* const* exponents);

}  // namespace quenby
