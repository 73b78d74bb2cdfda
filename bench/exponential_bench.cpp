// The exponential alone, per value: Exp (scalar), the lanes of each
// instruction set (ExpArray), and the C library's std::exp, the alternative
// whose last bit differs between platforms. Arguments as the engine meets
// them: activations in [-15, 15], kernel weights in [-60, 0].
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "exponential.h"
#include "exponential_lanes.h"

namespace {

std::vector<double> Arguments(int64_t kind) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> u(kind == 0 ? -15.0 : -60.0, kind == 0 ? 15.0 : 0.0);
  std::vector<double> x(4096);
  for (double& v : x) v = u(rng);
  return x;
}

// args: kind (0 activations, 1 weights), way (0 Exp, 1 std::exp, 2+ lanes of set way - 2)
void BM_Exponential(benchmark::State& state) {
  const std::vector<double> x = Arguments(state.range(0));
  std::vector<double> y(x.size());
  const int64_t way = state.range(1);
  const auto isa = static_cast<quenby::VectorIsa>(way >= 2 ? way - 2 : 0);
  if (way >= 2 && !quenby::VectorIsaAvailable(isa)) state.SkipWithError("instruction set not available");
  for (auto _ : state) {
    if (way == 0) {
      for (size_t i = 0; i < x.size(); ++i) y[i] = quenby::Exp(x[i]);
    } else if (way == 1) {
      for (size_t i = 0; i < x.size(); ++i) y[i] = std::exp(x[i]);
    } else {
      y = x;
      quenby::ExpArray(isa, y.data(), y.size());
    }
    benchmark::DoNotOptimize(y.data());
  }
  state.counters["ns/value"] = benchmark::Counter(static_cast<double>(x.size()) * 1e-9,
                                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Exponential)->ArgNames({"kind", "way"})->ArgsProduct({{0, 1}, {0, 1, 2, 3, 4}});

}  // namespace

BENCHMARK_MAIN();
