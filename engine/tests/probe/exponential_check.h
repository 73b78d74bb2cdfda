#pragma once
// Checks of the exponential shared by the unit tests (a sample) and
// exponential_probe (millions of arguments).
#include <cstdint>
#include <vector>

#include "exponential.h"

namespace quenby_test {

// count arguments from seed: uniform over the whole finite range, the
// activations' [-20, 20], the kernel weights' negative arguments, magnitudes
// spread from 2^-60 to 2^9.5, and random bit patterns.
std::vector<double> RandomExpArguments(uint64_t count, uint64_t seed);

struct ExpCheckCounts {
  uint64_t arguments = 0;
  uint64_t fastDecided = 0;  // the fast path decided the rounding
  uint64_t fastWrong = 0;    // ... and its result differs from the exact path's
  uint64_t laneValues = 0;
  int isas = 0;
  uint64_t laneDifferences = 0;  // a lane's value differs from Exp's
};

// Every fast-path decision against the exact path, and ExpArray on every
// instruction set this processor has against Exp. progress prints to stderr.
ExpCheckCounts CheckExpDecisions(uint64_t count, uint64_t seed, bool progress);

// Bits equal (so +0 and -0 differ, and a NaN equals a NaN).
bool SameDouble(double a, double b);

}  // namespace quenby_test
