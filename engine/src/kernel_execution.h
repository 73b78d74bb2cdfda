#pragma once
// How the vector kernels (back-propagation and general regression) run.
// Results never depend on it: every instruction set and every number of
// threads gives the plain loop's bits. Tests and benchmarks change it to
// hold the kernels to that.
#include "vector_lanes.h"

namespace quenby {

struct KernelExecution {
  VectorIsa isa;  // a set the processor lacks runs as Baseline
  int threads;    // 0: one for small tables, else one per processor
};

// The process-wide settings both kernels read; at first the widest set and
// automatic threads.
KernelExecution& KernelExecutionSettings();

}  // namespace quenby
