// One host calculation end to end, as the host makes it: interface_function
// method 1 with the run flag set, through the adapter, the command
// interpreter, the driver with its four networks and the exchange files.
// Beside it, in the same run and interleaved call by call, the floor: the
// same calls in a second folder whose "driver" only copies a ready
// "outfile.dat" (bench/copy_driver.cpp). Prints the median and the 90th
// percentile per call of both, their ratio, the processor time per call
// (host, shell and driver together; it varies much less with the machine's
// load than the elapsed time), and the peak memory (maximum resident set)
// of one run of each driver.
//
// Usage: host_call_bench FOLDER COPY_DRIVER [CALLS] [PATTERNS]
//   FOLDER       a working folder: Torvane, libQuenby.so, libPellmar.so and
//                the sample set of tools/sample-generator (Control.dat,
//                projects/, inputs.txt); bench/run_all.sh prepares it
//   COPY_DRIVER  the built copy_driver program
//   CALLS        calls of each kind (default 300)
//   PATTERNS     when given, the compiled file of network B (Control.dat's
//                line 4, "Spring" in the sample set) is rewritten after the
//                first call with this many stored general regression
//                patterns, its own repeated: a study trained on more records
//                (the driver evaluates it with "Back Prop" only, so the
//                results stay the same)
#ifdef _WIN32
#include <cstdio>
int main() {
  std::fputs("host_call_bench runs on POSIX systems only\n", stderr);
  return 1;
}
#else
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiled_file.h"
#include "host_process.h"
#include "loaded_network.h"

namespace {

namespace fs = std::filesystem;
using bench::CpuMs;
using bench::Die;
using bench::InterfaceFunction;

std::vector<double> ReadInputs(const fs::path& file) {
  std::ifstream in(file);
  if (!in) Die("cannot read " + file.string());
  std::vector<double> values(511, 0.0);
  values[0] = 1.0;  // the run flag
  std::string line;
  for (int i = 1; i <= 510; ++i) {
    if (!std::getline(in, line)) Die(file.string() + ": expected 510 values, found " + std::to_string(i - 1));
    values[static_cast<size_t>(i)] = std::strtod(line.c_str(), nullptr);
  }
  return values;
}

// Milliseconds of one method-1 call in folder (the host's current folder);
// cpuMs receives the processor time it took in all processes. On a busy
// machine the elapsed time grows with the waiting for a processor, the
// processor time hardly.
double TimedCall(InterfaceFunction call, const fs::path& folder, std::vector<double>& in, std::vector<double>& out,
                 double* cpuMs = nullptr) {
  fs::current_path(folder);
  int32_t status = -1;
  const double cpuStart = CpuMs();
  const auto start = std::chrono::steady_clock::now();
  call(1, &status, in.data(), out.data());
  const auto end = std::chrono::steady_clock::now();
  if (cpuMs) *cpuMs = CpuMs() - cpuStart;
  if (status != 0) Die("interface_function gave status " + std::to_string(status) + " in " + folder.string());
  return std::chrono::duration<double, std::milli>(end - start).count();
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

// Maximum resident set of one run of program in folder, in kB, as the small
// peak_rss program beside the copy driver measures it (a process started
// from this one would count this one's resident set as its own).
long PeakKilobytes(const fs::path& folder, const fs::path& program, const fs::path& probe) {
  fs::current_path(folder);
  std::string text;
  if (bench::RunProgram({probe.string(), program.string()}, &text) != 0 || text.empty()) Die(program.string() + " did not end well");
  return std::strtol(text.c_str(), nullptr, 10);
}

// Network B's project path: line 4 of Control.dat, relative to folder.
fs::path NetworkB(const fs::path& folder) {
  std::ifstream in(folder / "Control.dat");
  std::string line;
  for (int i = 0; i < 4 && std::getline(in, line); ++i) {
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty()) Die("Control.dat names no network B");
  return fs::path(line).is_absolute() ? fs::path(line) : folder / line;
}

// Rewrites project's compiled file with `patterns` stored patterns.
void EnlargeGrnnSection(const fs::path& project, int32_t patterns) {
  quenby::LoadedNetwork& n = quenby::Net();
  n.ProjectPath = project.string();
  const quenby::CompiledSections sections = quenby::LoadNetworkFile();
  quenby::ConvertPendingGrnnSection();
  if (!sections.grnn || n.TrainingCount < 1) Die(project.string() + " has no stored general regression patterns");
  auto repeat = [&](quenby::Array2<double>& t) {
    if (t.Upper1() < n.TrainingCount) return;  // not used by this calibration
    quenby::Array2<double> larger;
    larger.Redim(patterns, t.Upper2());
    for (int32_t p = 1; p <= patterns; ++p) {
      for (int64_t j = 0; j <= t.Upper2(); ++j) larger(p, j) = t((p - 1) % n.TrainingCount + 1, j);
    }
    t = std::move(larger);
  };
  repeat(n.TrainingInputs);
  repeat(n.TrainingOutputs);
  if (n.GrnnCalibration != "Holdout") repeat(n.GeneticSmoothing);
  n.TrainingCount = patterns;
  std::ofstream out(project.string() + ".DLLFile", std::ios::binary | std::ios::trunc);
  out << quenby::CompiledFileText(sections.backProp, true);
  if (!out) Die("cannot write " + project.string() + ".DLLFile");
  quenby::ResetLoadedNetwork();
}

}  // namespace

int main(int argc, char** argv) {
  bench::g_benchName = "host_call_bench";
  if (argc < 3) Die("usage: host_call_bench FOLDER COPY_DRIVER [CALLS]");
  const fs::path work = fs::absolute(argv[1]);
  const fs::path copyDriver = fs::absolute(argv[2]);
  const int calls = argc > 3 ? std::atoi(argv[3]) : 300;
  if (calls < 1) Die("CALLS must be 1 or more");
  const int patterns = argc > 4 ? std::atoi(argv[4]) : 0;

  const InterfaceFunction call = bench::BindAdapter(work / "libPellmar.so");

  std::vector<double> in = ReadInputs(work / "inputs.txt");
  std::vector<double> out(400, 0.0), first(400, 0.0);

  // The first call compiles the projects whose ".DLLFile" file is missing.
  const double firstMs = TimedCall(call, work, in, first);
  if (patterns > 0) {
    const fs::path b = NetworkB(work);
    EnlargeGrnnSection(b, patterns);
    std::printf("network B (%s): %d stored patterns, compiled file %.1f MB\n", b.filename().c_str(), patterns,
                static_cast<double>(fs::file_size(b.string() + ".DLLFile")) / 1e6);
  }

  // The floor's folder: the copy driver under the driver's name and the
  // real driver's result, ready to be copied.
  const fs::path floor = work.parent_path() / (work.filename().string() + "-floor");
  fs::create_directories(floor);
  fs::copy_file(copyDriver, floor / "Torvane", fs::copy_options::overwrite_existing);
  fs::copy_file(work / "outfile.dat", floor / "outfile.ready", fs::copy_options::overwrite_existing);

  for (int i = 0; i < 5; ++i) {  // warm the caches of both
    TimedCall(call, work, in, out);
    TimedCall(call, floor, in, out);
  }
  std::vector<double> driverMs, floorMs, driverCpu, floorCpu;
  for (int i = 0; i < calls; ++i) {
    double cpu = 0;
    driverMs.push_back(TimedCall(call, work, in, out, &cpu));
    driverCpu.push_back(cpu);
    if (std::memcmp(out.data(), first.data(), sizeof(double) * out.size()) != 0) Die("results changed between calls");
    floorMs.push_back(TimedCall(call, floor, in, out, &cpu));
    floorCpu.push_back(cpu);
    if (std::memcmp(out.data(), first.data(), sizeof(double) * out.size()) != 0) Die("the floor's results differ");
  }
  const double driverMedian = Percentile(driverMs, 0.5), floorMedian = Percentile(floorMs, 0.5);
  std::printf("host call, first (compiles missing .DLLFile files): %.2f ms\n", firstMs);
  std::printf("host call, driver: median %.2f ms  p90 %.2f ms  (%d calls)\n", driverMedian,
              Percentile(driverMs, 0.9), calls);
  std::printf("host call, floor:  median %.2f ms  p90 %.2f ms  (%d calls, copy driver)\n", floorMedian,
              Percentile(floorMs, 0.9), calls);
  std::printf("host call, ratio of medians: %.2f  ratio of p90: %.2f\n", driverMedian / floorMedian,
              Percentile(driverMs, 0.9) / Percentile(floorMs, 0.9));
  double driverCpuSum = 0, floorCpuSum = 0;
  for (double v : driverCpu) driverCpuSum += v;
  for (double v : floorCpu) floorCpuSum += v;
  std::printf("host call, processor time per call (all processes): driver %.2f ms  floor %.2f ms  ratio %.2f\n",
              driverCpuSum / calls, floorCpuSum / calls, driverCpuSum / floorCpuSum);
  const fs::path probe = copyDriver.parent_path() / "peak_rss";
  std::printf("peak memory of one run: driver %ld kB, copy driver %ld kB\n",
              PeakKilobytes(work, work / "Torvane", probe), PeakKilobytes(floor, floor / "Torvane", probe));
  return 0;
}
#endif
