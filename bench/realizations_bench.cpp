// Many realizations of the model: `pellmar-run --realizations` (the
// driver's multi-case path, up to 327 cases a run) against what a user would
// otherwise do, one host calculation per realization through
// interface_function. Both get the same realizations (the demo case with
// every input scaled by a drawn factor, four decimals); rounds alternate
// between the two. Prints the elapsed and the processor time (all
// processes) of each, their ratio, and checks that drawn rows (327 and 328,
// a run boundary, among them) agree bit for bit.
//
// Usage: realizations_bench FOLDER PELLMAR_RUN [REALIZATIONS] [ROUNDS]
//   FOLDER       a working folder: Torvane, libQuenby.so, libPellmar.so and
//                the sample set (sample-generator FOLDER)
//   PELLMAR_RUN  the built pellmar-run
//   REALIZATIONS default 1000; ROUNDS default 3
#ifdef _WIN32
#include <cstdio>
int main() {
  std::fputs("realizations_bench runs on POSIX systems only\n", stderr);
  return 1;
}
#else
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host_process.h"

namespace {

namespace fs = std::filesystem;
using bench::CpuMs;
using bench::Die;

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<std::vector<double>> Draw(const fs::path& demo, size_t count) {
  std::ifstream in(demo);
  std::vector<double> base;
  for (double v; in >> v;) base.push_back(v);
  if (base.size() != 510) Die(demo.string() + ": expected 510 values");
  std::vector<std::vector<double>> rows;
  uint32_t state = 2024;
  for (size_t i = 0; i < count; ++i) {
    std::vector<double> row = base;
    for (size_t k = 0; k < row.size(); ++k) {
      state = state * 1664525u + 1013904223u;
      if (k != 306) row[k] = std::round(row[k] * (0.9 + 0.2 * (state >> 8) / 16777216.0) * 1e4) / 1e4;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string Shortest(double v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

}  // namespace

int main(int argc, char** argv) {
  bench::g_benchName = "realizations_bench";
  if (argc < 3) Die("usage: realizations_bench FOLDER PELLMAR_RUN [REALIZATIONS] [ROUNDS]");
  const fs::path folder = fs::absolute(argv[1]);
  const std::string pellmarRun = fs::absolute(argv[2]).string();
  const size_t count = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1000;
  const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
  const fs::path scratch = fs::temp_directory_path() / ("realizations-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  const std::vector<std::vector<double>> rows = Draw(folder / "inputs.txt", count);
  {
    std::ofstream out(scratch / "real.csv", std::ios::binary);
    for (const auto& row : rows) {
      for (size_t k = 0; k < row.size(); ++k) out << (k ? "," : "") << Shortest(row[k]);
      out << "\r\n";
    }
  }
  const bench::InterfaceFunction call = bench::BindAdapter(folder / "libPellmar.so");
  fs::current_path(folder);

  std::vector<std::vector<double>> host(rows.size(), std::vector<double>(400));
  std::vector<double> hostMs, hostCpu, realMs, realCpu;
  // Compiled networks exist before the first timed round, as in a deployment in use.
  bench::RunProgram({pellmarRun, "--dir", folder.string(), "--no-progress", "--realizations", (scratch / "real.csv").string(), "--out",
         (scratch / "warm.csv").string()});
  for (int round = 0; round < rounds; ++round) {
    double t0 = NowMs(), c0 = CpuMs();
    for (size_t i = 0; i < rows.size(); ++i) {
      std::vector<double> in(511);
      in[0] = 1.0;
      std::copy(rows[i].begin(), rows[i].end(), in.begin() + 1);
      int32_t status = -1;
      call(1, &status, in.data(), host[i].data());
      if (status != 0) Die("host calculation " + std::to_string(i + 1) + " failed");
    }
    hostMs.push_back(NowMs() - t0);
    hostCpu.push_back(CpuMs() - c0);
    t0 = NowMs(), c0 = CpuMs();
    int code = bench::RunProgram({pellmarRun, "--dir", folder.string(), "--no-progress", "--realizations", (scratch / "real.csv").string(), "--out",
                      (scratch / "results.csv").string()});
    realMs.push_back(NowMs() - t0);
    realCpu.push_back(CpuMs() - c0);
    if (code != 0) Die("pellmar-run --realizations ended with " + std::to_string(code));
    std::fprintf(stderr, "round %d: host %.0f ms, realizations %.0f ms\n", round + 1, hostMs.back(), realMs.back());
  }
  // Drawn rows against the host's own results, bit for bit.
  std::ifstream results(scratch / "results.csv");
  std::string line;
  std::getline(results, line);
  size_t mismatches = 0, checked = 0;
  for (size_t i = 0; std::getline(results, line) && i < rows.size(); ++i) {
    if (i % 97 != 0 && i != 326 && i != 327 && i + 1 != rows.size()) continue;
    std::stringstream cells(line);
    std::string cell;
    for (size_t k = 0; k < 400 && std::getline(cells, cell, ','); ++k) mismatches += std::strtod(cell.c_str(), nullptr) != host[i][k];
    ++checked;
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double h = median(hostMs), r = median(realMs), hc = median(hostCpu), rc = median(realCpu);
  std::printf("%zu realizations, median of %d rounds\n", count, rounds);
  std::printf("host calculations one after the other: %.0f ms elapsed (%.2f ms each), %.0f ms processor time\n", h, h / count, hc);
  std::printf("pellmar-run --realizations:             %.0f ms elapsed (%.3f ms each), %.0f ms processor time\n", r, r / count, rc);
  std::printf("speed-up: %.1fx elapsed, %.1fx processor time\n", h / r, hc / rc);
  std::printf("bit-identical: %zu drawn rows (327 and 328 among them), %zu values differ\n", checked, mismatches);
  fs::remove_all(scratch);
  return mismatches ? 1 : 0;
}
#endif
