// Back-propagation throughput: 32,767 cases x 55 inputs, 64 hidden neurons,
// 2 outputs, an ordinary hidden layer (slabs 1) and two slabs ("Logistic",
// "tan Hyperbolic"). Cases per second for
//   BM_ApplyNNet    the whole C API call on a ".DLLFile" file: load, input
//                   preparation, the pass, output scaling, the result copy;
//   BM_RunBackProp  the pass alone (input scaling and forward pass), by
//                   number of threads (0: the engine's own choice).
// bench/backprop_bench.sh runs it beside bench/backprop_numpy.py.
#include <benchmark/benchmark.h>

#include <string>

#include "backprop.h"
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
  bench::ScratchFolder folder("quenby-backprop-bench");
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
BENCHMARK(BM_ApplyNNet)->ArgName("slabs")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// args: slabs, threads
void BM_RunBackProp(benchmark::State& state) {
  const auto slabs = static_cast<int16_t>(state.range(0));
  bench::MakeBackPropNetwork(kInputs, kHidden, kOutputs, slabs);
  bench::FillNetInputs(kCases, kInputs);
  for (auto _ : state) {
    quenby::RunBackProp();
    benchmark::DoNotOptimize(quenby::Net().NetOutputs.data());
  }
  SetCasesCounter(state, kCases);
}
BENCHMARK(BM_RunBackProp)
    ->ArgName("slabs")->Arg(1)->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
