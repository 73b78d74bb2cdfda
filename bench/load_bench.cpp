// Loading a compiled network: a ".DLLFile" file of a "Holdout" general
// regression network with 10,000 patterns x 57 values (55 inputs, 2 outputs;
// about 570,000 lines), in MB of file per second:
//   BM_ApplyNNetOneCase  ApplyNNet("GRNN") on one case: existence test, load,
//                        input preparation, the pass over the patterns;
//   BM_LoadNetworkFile   the load alone.
// Usage: load_bench [FOLDER] [benchmark flags]. The file is written to
// FOLDER/load.DLLFile (default: a scratch folder, removed at the end), so
// bench/load_bench.sh can time `wc -l` on the same file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_networks.h"
#include "compiled_file.h"
#include "loaded_network.h"
#include "quenby.h"

namespace {

constexpr int16_t kInputs = 55;
constexpr int16_t kOutputs = 2;
constexpr int32_t kPatterns = 10000;

std::string g_project;
int64_t g_bytes = 0;

void SetBytesCounter(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * g_bytes);
}

void BM_ApplyNNetOneCase(benchmark::State& state) {
  quenby::ResetLoadedNetwork();
  bench::InputTable inputs(1, kInputs);
  for (auto _ : state) {
    QuenbyTable result{};
    if (ApplyNNet("GRNN", g_project.c_str(), &inputs.table, &result) != QUENBY_OK) {
      state.SkipWithError(QuenbyLastError());
      break;
    }
    benchmark::DoNotOptimize(result.data);
    QuenbyFreeTable(&result);
  }
  SetBytesCounter(state);
}
BENCHMARK(BM_ApplyNNetOneCase)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadNetworkFile(benchmark::State& state) {
  quenby::ResetLoadedNetwork();
  quenby::Net().ProjectPath = g_project;
  for (auto _ : state) {
    quenby::LoadNetworkFile();
    benchmark::DoNotOptimize(quenby::Net().TrainingInputs.data());
  }
  SetBytesCounter(state);
}
BENCHMARK(BM_LoadNetworkFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::unique_ptr<bench::ScratchFolder> scratch;
  std::string folder;
  if (argc > 1 && argv[1][0] != '-') {
    folder = argv[1];
  } else {
    scratch = std::make_unique<bench::ScratchFolder>("quenby-load-bench");
    folder = std::filesystem::path(scratch->File("x")).parent_path().string();
  }
  g_project = (std::filesystem::path(folder) / "load").string();
  bench::MakeGrnnNetwork(kInputs, kOutputs, kPatterns);
  bench::WriteDllFile(g_project, false, true);
  g_bytes = static_cast<int64_t>(std::filesystem::file_size(g_project + ".DLLFile"));
  std::printf("%s.DLLFile: %.1f MB\n", g_project.c_str(), static_cast<double>(g_bytes) / 1e6);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
