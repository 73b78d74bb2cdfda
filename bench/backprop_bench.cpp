// Back-propagation throughput: 32,767 cases x 55 inputs, 64 hidden neurons,
// 2 outputs, an ordinary hidden layer (slabs 1) and two slabs ("Logistic",
// "tan Hyperbolic"). Cases per second for
//   BM_ApplyNNet    the whole C API call on a ".DLLFile" file: load, input
//                   preparation, the pass, output scaling, the result copy;
//   BM_RunBackProp  the pass alone (input scaling and forward pass), by
//                   number of threads and instruction set.
// CPU time is the whole process's, all threads. bench/run_all.sh runs it
// beside bench/backprop_numpy.py.
#include <benchmark/benchmark.h>

#include <string>

#include "backprop.h"
#include "backprop_kernel.h"
#include "kernel_execution.h"
#include "bench_networks.h"
#include "loaded_network.h"
#include "quenby.h"

namespace {

constexpr int32_t kCases = 32767;
constexpr int16_t kInputs = 55;
constexpr int16_t kHidden = 64;
constexpr int16_t kOutputs = 2;

void SetCasesCounter(benchmark::State& state, int32_t cases) {
  state.counters["cases/s"] = benchmark::Counter(cases, benchmark::Counter::kIsIterationInvariantRate);
}

// arg: slabs
void BM_ApplyNNet(benchmark::State& state) {
  const auto slabs = static_cast<int16_t>(state.range(0));
  bench::ScratchFolder folder("backprop-bench");
  const std::string project = folder.File("net");
  bench::MakeBackPropNetwork(kInputs, kHidden, kOutputs, slabs);
  bench::WriteDllFile(project, true, false);
  quenby::ResetLoadedNetwork();
  bench::InputTable inputs(kCases, kInputs);
  for (auto _ : state) {
    QuenbyTable result{};
    if (ApplyNNet("Back Prop", project.c_str(), &inputs.table, &result) != QUENBY_OK) {
      state.SkipWithError(QuenbyLastError());
      break;
    }
    benchmark::DoNotOptimize(result.data);
    QuenbyFreeTable(&result);
  }
  SetCasesCounter(state, kCases);
}
BENCHMARK(BM_ApplyNNet)->ArgName("slabs")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// args: slabs, threads (0: the engine's own choice), isa
void BM_RunBackProp(benchmark::State& state) {
  const auto slabs = static_cast<int16_t>(state.range(0));
  bench::MakeBackPropNetwork(kInputs, kHidden, kOutputs, slabs);
  bench::FillNetInputs(kCases, kInputs);
  auto& settings = quenby::KernelExecutionSettings();
  const auto saved = settings;
  settings.threads = static_cast<int>(state.range(1));
  if (state.range(2) >= 0) settings.isa = static_cast<quenby::VectorIsa>(state.range(2));
  if (!quenby::VectorIsaAvailable(settings.isa)) state.SkipWithError("instruction set not available");
  for (auto _ : state) {
    quenby::RunBackProp();
    benchmark::DoNotOptimize(quenby::Net().NetOutputs.data());
  }
  settings = saved;
  SetCasesCounter(state, kCases);
}
// isa: -1 the best this processor runs, 0 baseline, 1 AVX2, 2 AVX-512
BENCHMARK(BM_RunBackProp)
    ->ArgNames({"slabs", "threads", "isa"})
    ->ArgsProduct({{1, 2}, {0, 1}, {-1}})
    ->Args({1, 1, 0})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Small tables, such as the driver's 100 rows: the automatic choice (0) must
// be no slower than one thread. args: cases, threads
void BM_RunBackPropSmall(benchmark::State& state) {
  const auto cases = static_cast<int32_t>(state.range(0));
  bench::MakeBackPropNetwork(kInputs, kHidden, kOutputs, 1);
  bench::FillNetInputs(cases, kInputs);
  auto& settings = quenby::KernelExecutionSettings();
  const auto saved = settings;
  settings.threads = static_cast<int>(state.range(1));
  for (auto _ : state) {
    quenby::RunBackProp();
    benchmark::DoNotOptimize(quenby::Net().NetOutputs.data());
  }
  settings = saved;
  SetCasesCounter(state, cases);
}
BENCHMARK(BM_RunBackPropSmall)
    ->ArgNames({"cases", "threads"})
    ->ArgsProduct({{100, 1000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
