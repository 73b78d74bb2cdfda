// The general regression pass on 1,000 cases x 10,000 patterns x 50 inputs,
// one output, "Holdout" and "Genetic": kernel terms (case x pattern x input)
// per second. bench/grnn_bench.sh runs it beside the same computation in
// numpy (bench/grnn_numpy.py).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>

#include "grnn.h"
#include "grnn_kernel.h"
#include "kernel_execution.h"
#include "loaded_network.h"

namespace {

using quenby::Net;

constexpr int kCases = 1000;
constexpr int kPatterns = 10000;
constexpr int kInputs = 50;

// Inputs uniform on -1..1 (raw and scaled alike), outputs on 0..1, sigma 1,
// genetic factors on 0.5..2: weights neither all vanish nor all equal.
void MakeNetwork(const char* calibration, int cases, int patterns, double sigma = 1.0) {
  quenby::ResetLoadedNetwork();
  auto& n = Net();
  n.ProjectPath = "bench";
  n.VariableCount = kInputs + 1;
  n.OutputCount = 1;
  n.DirectInputCount = kInputs;
  n.NetInputColumns.Redim(kInputs);
  n.VarMin.Redim(n.VariableCount + 2);
  n.VarMax.Redim(n.VariableCount + 2);
  for (int c = 1; c <= n.VariableCount + 2; ++c) {
    n.VarMin(c) = -1.0;
    n.VarMax(c) = 1.0;
  }
  for (int j = 1; j <= kInputs; ++j) n.NetInputColumns(j) = static_cast<int16_t>(j);
  n.GrnnCalibration = calibration;
  n.GrnnSmoothing = sigma;
  n.TrainingCount = patterns;
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  n.TrainingInputs.Redim(patterns, kInputs);
  n.TrainingOutputs.Redim(patterns, 1);
  n.GeneticSmoothing.Redim(patterns, kInputs);
  for (int p = 1; p <= patterns; ++p) {
    for (int j = 1; j <= kInputs; ++j) {
      n.TrainingInputs(p, j) = u(rng);
      n.GeneticSmoothing(p, j) = 1.25 + 0.75 * u(rng);
    }
    n.TrainingOutputs(p, 1) = 0.5 + 0.5 * u(rng);
  }
  n.NetInputs.Redim(cases, kInputs);
  for (int i = 1; i <= cases; ++i)
    for (int j = 1; j <= kInputs; ++j) n.NetInputs(i, j) = u(rng);
  n.NetOutputs.Redim(cases, 1);
}

void SetTermsCounter(benchmark::State& state, int cases, int patterns) {
  state.counters["terms/s"] = benchmark::Counter(double(cases) * patterns * kInputs,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// args: calibration (0 Holdout, 1 Genetic), isa (-1 best), threads (0
// automatic), sigma in hundredths (narrow kernels leave most weights 0)
void BM_RunGrnn(benchmark::State& state) {
  const bool genetic = state.range(0) == 1;
  MakeNetwork(genetic ? "Genetic" : "Holdout", kCases, kPatterns, state.range(3) / 100.0);
  auto& settings = quenby::KernelExecutionSettings();
  const auto saved = settings;
  if (state.range(1) >= 0) settings.isa = static_cast<quenby::VectorIsa>(state.range(1));
  settings.threads = static_cast<int>(state.range(2));
  if (!quenby::VectorIsaAvailable(settings.isa)) state.SkipWithError("instruction set not available");
  for (auto _ : state) {
    quenby::RunGrnn();
    benchmark::DoNotOptimize(Net().NetOutputs.data());
  }
  settings = saved;
  SetTermsCounter(state, kCases, kPatterns);
}
BENCHMARK(BM_RunGrnn)
    ->ArgNames({"genetic", "isa", "threads", "sigma%"})
    ->Args({0, -1, 0, 100})
    ->Args({1, -1, 0, 100})
    ->Args({0, -1, 1, 100})
    ->Args({1, -1, 1, 100})
    ->Args({0, 0, 1, 100})
    ->Args({1, 0, 1, 100})
    ->Args({0, 1, 1, 100})
    ->Args({1, 1, 1, 100})
    ->Args({0, -1, 1, 10})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The plain per-output loop for scale, on 50 cases: the same arithmetic one
// term at a time.
void BM_PlainLoop(benchmark::State& state) {
  const bool genetic = state.range(0) == 1;
  constexpr int kFewCases = 50;
  MakeNetwork(genetic ? "Genetic" : "Holdout", kFewCases, kPatterns);
  quenby::ScaleGrnnInputs(kFewCases, kInputs);
  for (auto _ : state) {
    for (int i = 1; i <= kFewCases; ++i) {
      const double e = genetic ? quenby::GeneticEstimate(i, kPatterns, kInputs, 1)
                               : quenby::HoldoutEstimate(1.0, i, kPatterns, kInputs, 1);
      benchmark::DoNotOptimize(e);
    }
  }
  SetTermsCounter(state, kFewCases, kPatterns);
}
BENCHMARK(BM_PlainLoop)->ArgNames({"genetic"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
