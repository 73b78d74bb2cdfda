// The measurement of load_bench's first two benchmarks without Google
// Benchmark, so that the Windows build can run it (under Wine too):
// ApplyNNet("Back Prop") on 100 rows of a network whose compiled file holds
// a 20,000-pattern general regression section, beside the same call on the
// network compiled without the section, interleaved call by call.
// Prints the median elapsed time and the mean processor time (on a busy
// machine the elapsed time mostly measures the waiting), the MB/s of the
// larger file and the ratio.
//   load_timing [CALLS, default 200]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include "bench_networks.h"
#include "quenby.h"

namespace {

constexpr int16_t kInputs = 55;
constexpr int32_t kPatterns = 20000;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The processor clock may tick as coarsely as 10 to 16 ms (Windows): its
// mean over the calls, not its median.
double Mean(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

// Processor time of this process so far.
double CpuMs() {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto ms = [](FILETIME t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
#else
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
#endif
}

struct Times {
  std::vector<double> elapsed, cpu;
};

void Timed(const std::string& project, const QuenbyTable& in, Times* times) {
  QuenbyTable out{};
  const double cpu = CpuMs();
  const auto start = std::chrono::steady_clock::now();
  const int32_t status = ApplyNNet("Back Prop", project.c_str(), &in, &out);
  const auto end = std::chrono::steady_clock::now();
  if (times) {
    times->cpu.push_back(CpuMs() - cpu);
    times->elapsed.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  if (status != QUENBY_OK) {
    std::fprintf(stderr, "load_timing: %s\n", QuenbyLastError());
    std::exit(1);
  }
  QuenbyFreeTable(&out);
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 200;
  bench::ScratchFolder scratch("quenby-load-timing");
  const std::string with = scratch.File("load"), without = scratch.File("load_without");
  // As load_bench: 30 hidden neurons, 2 outputs, six-decimal patterns.
  bench::MakeBackPropNetwork(kInputs, 30, 2, 1);
  bench::SetHoldoutSection(kInputs, 2, kPatterns, 7, true);
  bench::WriteDllFile(with, true, true);
  bench::WriteDllFile(without, true, false);
  const double mb = static_cast<double>(std::filesystem::file_size(with + ".DLLFile")) / 1e6;

  bench::InputTable inputs(100, kInputs);
  quenby::ResetLoadedNetwork();
  for (int i = 0; i < 5; ++i) Timed(with, inputs.table, nullptr), Timed(without, inputs.table, nullptr);
  Times withTimes, withoutTimes;
  for (int i = 0; i < calls; ++i) {
    Timed(with, inputs.table, &withTimes);
    Timed(without, inputs.table, &withoutTimes);
  }
  for (const char* kind : {"elapsed", "processor"}) {
    const bool cpu = kind[0] == 'p';
    const double a = cpu ? Mean(withTimes.cpu) : Median(withTimes.elapsed);
    const double b = cpu ? Mean(withoutTimes.cpu) : Median(withoutTimes.elapsed);
    std::printf("Back Prop on 100 rows, %s time (%s of %d): with the %.1f MB section %.3f ms (%.0f MB/s), "
                "without %.3f ms, ratio %.1f\n",
                kind, cpu ? "mean" : "median", calls, mb, a, mb / a * 1e3, b, a / b);
  }
  return 0;
}
