// Loading a compiled network whose general regression section dwarfs the
// rest: 55 inputs, 30 hidden neurons, 2 outputs and a "Holdout" section of
// 20,000 patterns x 57 values of six decimals, as measured data have (about
// 1.14 million lines, 14 MB), in MB of
// compiled file per second:
//   BM_BackPropWithSection     ApplyNNet("Back Prop") on 100 rows: the
//                              section is checked and kept, not converted;
//   BM_BackPropWithoutSection  the same call on the same network compiled
//                              without the section (its own, smaller file);
//   BM_LoadAndConvert          the load with the section converted, what
//                              every call paid when the load converted it;
//   BM_LoadNetworkFile         the load alone;
//   BM_GrnnOneCase             ApplyNNet("GRNN") on one case: load,
//                              conversion, the pass over the patterns.
// Usage: load_bench [FOLDER] [benchmark flags]. The files are written to
// FOLDER/load.DLLFile and FOLDER/load_without.DLLFile (default: a scratch
// folder, removed at the end), so bench/run_all.sh can time `wc -l` on the
// same file.
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
constexpr int16_t kHidden = 30;
constexpr int16_t kOutputs = 2;
constexpr int32_t kPatterns = 20000;
constexpr int32_t kRows = 100;

std::string g_with;     // project paths
std::string g_without;
int64_t g_withBytes = 0;
int64_t g_withoutBytes = 0;

// The back-propagation network of bench_networks.h with a "Holdout" section.
void MakeNetwork() {
  bench::MakeBackPropNetwork(kInputs, kHidden, kOutputs, 1);
  bench::SetHoldoutSection(kInputs, kOutputs, kPatterns, 7, true);
}

void Apply(benchmark::State& state, const char* method, const std::string& project, int32_t rows, int64_t bytes) {
  quenby::ResetLoadedNetwork();
  bench::InputTable inputs(rows, kInputs);
  for (auto _ : state) {
    QuenbyTable result{};
    if (ApplyNNet(method, project.c_str(), &inputs.table, &result) != QUENBY_OK) {
      state.SkipWithError(QuenbyLastError());
      break;
    }
    benchmark::DoNotOptimize(result.data);
    QuenbyFreeTable(&result);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_BackPropWithSection(benchmark::State& state) { Apply(state, "Back Prop", g_with, kRows, g_withBytes); }
BENCHMARK(BM_BackPropWithSection)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BackPropWithoutSection(benchmark::State& state) {
  Apply(state, "Back Prop", g_without, kRows, g_withoutBytes);
}
BENCHMARK(BM_BackPropWithoutSection)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadAndConvert(benchmark::State& state) {
  quenby::ResetLoadedNetwork();
  quenby::Net().ProjectPath = g_with;
  for (auto _ : state) {
    quenby::LoadNetworkFile();
    quenby::ConvertPendingGrnnSection();
    benchmark::DoNotOptimize(quenby::Net().TrainingInputs.data());
  }
  state.SetBytesProcessed(state.iterations() * g_withBytes);
}
BENCHMARK(BM_LoadAndConvert)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadNetworkFile(benchmark::State& state) {
  quenby::ResetLoadedNetwork();
  quenby::Net().ProjectPath = g_with;
  for (auto _ : state) {
    quenby::LoadNetworkFile();
    benchmark::DoNotOptimize(quenby::Net().InputWeights.data());
  }
  state.SetBytesProcessed(state.iterations() * g_withBytes);
}
BENCHMARK(BM_LoadNetworkFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GrnnOneCase(benchmark::State& state) { Apply(state, "GRNN", g_with, 1, g_withBytes); }
BENCHMARK(BM_GrnnOneCase)->Unit(benchmark::kMillisecond)->UseRealTime();

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
  g_with = (std::filesystem::path(folder) / "load").string();
  g_without = (std::filesystem::path(folder) / "load_without").string();
  MakeNetwork();
  bench::WriteDllFile(g_with, true, true);
  bench::WriteDllFile(g_without, true, false);
  g_withBytes = static_cast<int64_t>(std::filesystem::file_size(g_with + ".DLLFile"));
  g_withoutBytes = static_cast<int64_t>(std::filesystem::file_size(g_without + ".DLLFile"));
  std::printf("%s.DLLFile: %.1f MB; without the section %.3f MB\n", g_with.c_str(),
              static_cast<double>(g_withBytes) / 1e6, static_cast<double>(g_withoutBytes) / 1e6);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
