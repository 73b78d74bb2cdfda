// The "Back Prop" and "GRNN" passes timed on one thread for each instruction
// set, without Google Benchmark, so that the Windows build runs it too (under
// Wine). Best of several runs, in milliseconds of processor time (elapsed
// time on Windows):
//   back propagation  32,767 cases x 55 inputs, 64 hidden, 2 outputs, an
//                     ordinary hidden layer and two slabs ("Logistic",
//                     "tan Hyperbolic");
//   general regression 1,000 cases x 10,000 patterns x 50 inputs, "Holdout"
//                     and "Genetic".
// bench/exponential_bench.sh runs it beside a build of an earlier commit.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <functional>

#include "backprop.h"
#include "backprop_kernel.h"
#include "bench_networks.h"
#include "grnn.h"
#include "grnn_kernel.h"
#include "loaded_network.h"

// exponential_bench.sh also builds this file in a tree from before the two
// kernels shared their execution settings.
#if __has_include("kernel_execution.h")
#include "kernel_execution.h"
static void UseSettings(quenby::VectorIsa isa) { quenby::KernelExecutionSettings() = {isa, 1}; }
#else
static void UseSettings(quenby::VectorIsa isa) {
  quenby::BackPropExecutionSettings() = {isa, 1};
  quenby::GrnnExecutionSettings() = {isa, 1};
}
#endif

namespace {

// Processor time of the process on POSIX, which a busy machine disturbs far
// less than elapsed time; elapsed time on Windows, whose clock() is that.
double BestMillis(int runs, const std::function<void()>& pass) {
  double best = 1e300;
  for (int r = 0; r < runs; ++r) {
#ifdef _WIN32
    const auto start = std::chrono::steady_clock::now();
    pass();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
#else
    const std::clock_t start = std::clock();
    pass();
    best = std::min(best, 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
#endif
  }
  return best;
}

const char* IsaName(quenby::VectorIsa isa) {
  return isa == quenby::VectorIsa::Avx512 ? "AVX-512" : isa == quenby::VectorIsa::Avx2 ? "AVX2" : "SSE2";
}

}  // namespace

int main() {
  const quenby::VectorIsa isas[] = {quenby::VectorIsa::Baseline, quenby::VectorIsa::Avx2, quenby::VectorIsa::Avx512};
  for (int16_t slabs : {1, 2}) {
    bench::MakeBackPropNetwork(55, 64, 2, slabs);
    bench::FillNetInputs(32767, 55);
    for (quenby::VectorIsa isa : isas) {
      if (!quenby::VectorIsaAvailable(isa)) continue;
      UseSettings(isa);
      const double ms = BestMillis(7, [] { quenby::RunBackProp(); });
      std::printf("Back Prop, %d slab%s, %s, 1 thread: %.2f ms\n", slabs, slabs > 1 ? "s" : "", IsaName(isa), ms);
    }
  }
  for (const char* calibration : {"Holdout", "Genetic"}) {
    bench::MakeGrnnNetwork(50, 1, 10000);
    quenby::LoadedNetwork& n = quenby::Net();
    n.GrnnCalibration = calibration;
    n.GeneticSmoothing.Redim(10000, 50);
    for (int32_t p = 1; p <= 10000; ++p)
      for (int j = 1; j <= 50; ++j) n.GeneticSmoothing(p, j) = 0.35 + 0.001 * ((p + j) % 100);
    bench::FillNetInputs(1000, 50);
    for (quenby::VectorIsa isa : isas) {
      if (!quenby::VectorIsaAvailable(isa)) continue;
      UseSettings(isa);
      const double ms = BestMillis(3, [] { quenby::RunGrnn(); });
      std::printf("GRNN %s, %s, 1 thread: %.2f ms\n", calibration, IsaName(isa), ms);
    }
  }
  return 0;
}
