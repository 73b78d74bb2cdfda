// A stand-in for the simulation host: loads the adapter by name, the way the
// host does, and drives whole calculations through interface_function in a
// working folder laid out like a deployment. Built for Windows (run under
// Wine) and for Linux, whose results are the reference.
//
//   pellmar_host run BIN_DIR WORK_DIR
//     Re-creates WORK_DIR with the three deliverables from BIN_DIR,
//     "Control.dat" and four compiled networks, then checks the status words
//     and outputs of methods 2, 3, 1 and of the two adapter mends; writes the
//     400 outputs to WORK_DIR/results.txt (shortest round-trip text).
//   pellmar_host run-sample BIN_DIR WORK_DIR SAMPLE_DIR
//     The same with the sample set's "Control.dat", training project files
//     (compiled on the first calculation) and host inputs ("inputs.txt").
//   pellmar_host compare REFERENCE_DIR WORK_DIR
//     Compares two such folders: "inputvars.dat", every compiled ".DLLFile"
//     and the 400 outputs, bit for bit.
//   pellmar_host apply-cases SAMPLE_DIR OUT_DIR COUNT
//     For `quenby apply` on both platforms: OUT_DIR/NAME.cases.csv, COUNT
//     random cases per sample network (its checks/NAME.inputs.csv columns,
//     each drawn from a quarter of its range below the smallest value to a
//     quarter above the largest), and two copies of the sample projects,
//     OUT_DIR/linux and OUT_DIR/windows, each compiled by its own run.
// Exit code 0 when every check holds; each failed check prints one line.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/held_file.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "network_files.h"

namespace fs = std::filesystem;

namespace {

using InterfaceFunction = void (*)(int32_t method, int32_t* status, double* in, double* out);

#ifdef _WIN32
constexpr const char* kAdapterFile = "Pellmar.dll";
constexpr const char* kDriverFile = "Torvane.exe";
constexpr const char* kEngineFile = "Quenby.dll";
#else
constexpr const char* kAdapterFile = "libPellmar.so";
constexpr const char* kDriverFile = "Torvane";
constexpr const char* kEngineFile = "libQuenby.so";
#endif

constexpr int kInputs = 511;
constexpr int kOutputs = 400;
constexpr double kUntouched = -12345.25;  // sentinel for "the adapter left this element alone"

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::printf("FAIL: %s\n", what.c_str());
    ++failures;
  }
}

// Binds interface_function the way the host does: the library by name
// (Windows searches the current folder), the export by name.
InterfaceFunction BindAdapter() {
#ifdef _WIN32
  HMODULE lib = LoadLibraryA(kAdapterFile);
  if (!lib) {
    std::printf("FAIL: LoadLibraryA(\"%s\") failed, error %lu\n", kAdapterFile, GetLastError());
    return nullptr;
  }
  auto fn = reinterpret_cast<InterfaceFunction>(reinterpret_cast<void*>(GetProcAddress(lib, "interface_function")));
#else
  void* lib = dlopen((std::string("./") + kAdapterFile).c_str(), RTLD_NOW);
  if (!lib) {
    std::printf("FAIL: dlopen %s: %s\n", kAdapterFile, dlerror());
    return nullptr;
  }
  auto fn = reinterpret_cast<InterfaceFunction>(dlsym(lib, "interface_function"));
#endif
  if (!fn) std::printf("FAIL: %s has no export interface_function\n", kAdapterFile);
  return fn;
}

// The host's input vector: whole-number arithmetic only, so both platforms
// hand over identical bits. Values 0 .. 99.9; h307 = 37.5 picks variable 448
// for the first-stage network and flips the indicator columns at step 38.
std::vector<double> SyntheticInputs() {
  std::vector<double> in(kInputs);
  for (int k = 1; k < kInputs; ++k) in[k] = static_cast<double>((k * 7919 + 13) % 1000) / 10.0;
  in[307] = 37.5;
  return in;
}

// The host's inputs 1..510 of this run; element 0, the run flag, is set per call.
std::vector<double> hostInputs = SyntheticInputs();

// 510 values, one per line (the sample set's "inputs.txt").
bool ReadHostInputs(const std::string& path, std::vector<double>& in) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) return false;
  in.assign(1, 0.0);
  size_t pos = 0;
  while (pos < text.size() && in.size() <= kInputs) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = std::string_view(text).substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    double v = 0;
    if (!common::ParseNumber(line, v)) {
      std::printf("FAIL: %s, line %zu: not a number\n", path.c_str(), in.size());
      return false;
    }
    in.push_back(v);
    pos = end + 1;
  }
  if (in.size() != kInputs) std::printf("FAIL: %s: expected 510 values, found %zu\n", path.c_str(), in.size() - 1);
  return in.size() == kInputs;
}

std::string ResultsText(const std::vector<double>& out) {
  std::string text;
  for (double v : out) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    text.append(buf, r.ptr);
    text += "\r\n";
  }
  return text;
}

bool ReadResults(const std::string& path, std::vector<double>& out) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) return false;
  out.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    double v = 0;
    if (!common::ParseNumber(std::string_view(text).substr(pos, end - pos), v)) return false;
    out.push_back(v);
    pos = end + 2;
  }
  return out.size() == kOutputs;
}

// One calculation; returns the status word and fills out, timing the call.
int32_t Calculate(InterfaceFunction fn, double runFlag, std::vector<double>& out, double* millis = nullptr) {
  std::vector<double> in = hostInputs;
  in[0] = runFlag;
  out.assign(kOutputs, kUntouched);
  int32_t status = -7;
  auto start = std::chrono::steady_clock::now();
  fn(1, &status, in.data(), out.data());
  if (millis) millis[0] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return status;
}

std::string FileText(const char* path) {
  std::string text;
  common::ReadWholeFile(path, text);
  return text;
}

bool Contains(const char* path, const std::string& part) { return FileText(path).find(part) != std::string::npos; }

bool AllUntouched(const std::vector<double>& out) {
  return std::all_of(out.begin(), out.end(), [](double v) { return v == kUntouched; });
}

// The working folder's networks: written here, or the sample set copied in.
bool LayOutNetworks(const fs::path& workDir, const fs::path& sampleDir) {
  if (sampleDir.empty()) {
    fs::create_directories(workDir / "networks");
    quenby_test::WriteCascadeNetworks(workDir.string());
    return true;
  }
  std::error_code ec;
  fs::copy_file(sampleDir / "Control.dat", workDir / "Control.dat", ec);
  if (!ec) fs::copy(sampleDir / "projects", workDir / "projects", fs::copy_options::recursive, ec);
  if (ec) {
    std::printf("FAIL: copy the sample set from %s: %s\n", sampleDir.string().c_str(), ec.message().c_str());
    return false;
  }
  for (const auto& entry : fs::directory_iterator(workDir / "projects"))
    if (entry.path().extension() == ".DLLFile") fs::remove(entry.path());  // compiled here, on first use
  return ReadHostInputs((sampleDir / "inputs.txt").string(), hostInputs);
}

int Run(const fs::path& binDir, const fs::path& workDir, const fs::path& sampleDir) {
  std::error_code ec;
  fs::remove_all(workDir, ec);
  fs::create_directories(workDir);
  for (const char* name : {kAdapterFile, kDriverFile, kEngineFile}) {
    fs::copy_file(binDir / name, workDir / name, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      std::printf("FAIL: copy %s: %s\n", (binDir / name).string().c_str(), ec.message().c_str());
      return 1;
    }
  }
  if (!LayOutNetworks(workDir, sampleDir)) return 1;
  fs::current_path(workDir);

  InterfaceFunction fn = BindAdapter();
  if (!fn) return 1;

  std::array<double, 3> fixed{kUntouched, kUntouched, kUntouched};
  std::vector<double> noInputs(kInputs, std::nan(""));  // methods 0, 2, 3 and 99 ignore the inputs
  int32_t status = -7;
  fn(2, &status, noInputs.data(), fixed.data());
  Check(status == 0 && fixed[0] == 1.0 && fixed[1] == kUntouched, "method 2: status 0 and output 0 = 1.0 only");
  fixed.fill(kUntouched);
  fn(3, &status, noInputs.data(), fixed.data());
  Check(status == 0 && fixed[0] == 511.0 && fixed[1] == 400.0 && fixed[2] == kUntouched,
        "method 3: status 0, outputs 511 and 400 only");
  for (int32_t method : {0, 99}) {
    fixed.fill(kUntouched);
    fn(method, &status, noInputs.data(), fixed.data());
    Check(status == 0 && fixed[0] == kUntouched, "method " + std::to_string(method) + ": status 0, nothing written");
  }
  for (int32_t method : {4, -1, 100}) {
    fixed.fill(kUntouched);
    fn(method, &status, noInputs.data(), fixed.data());
    Check(status == 1 && fixed[0] == kUntouched, "method " + std::to_string(method) + ": status 1, nothing written");
  }

  std::vector<double> first;
  double millis[3] = {};
  status = Calculate(fn, 1.0, first, &millis[0]);
  Check(status == 0, "method 1 with the run flag set: status " + std::to_string(status) + ", expected 0");
  Check(std::none_of(first.begin(), first.end(), [](double v) { return v == kUntouched || !std::isfinite(v); }),
        "method 1: all 400 outputs written and finite");
  Check(fs::exists("trashy.dat") && fs::exists("outfile.dat"), "the driver wrote trashy.dat and outfile.dat");

  // Two more runs: identical results, and the time of a warm calculation.
  for (int i = 1; i < 3; ++i) {
    std::vector<double> again;
    Calculate(fn, 1.0, again, &millis[i]);
    Check(again == first, "repeated calculation gives identical outputs");
  }
  std::printf("calculation times: %.1f ms (first), %.1f ms, %.1f ms\n", millis[0], millis[1], millis[2]);

  // Run flag clear: the previous results, read back without writing the
  // inputs or starting the driver (it is moved away to prove it).
  fs::remove("inputvars.dat");
  fs::rename(kDriverFile, std::string(kDriverFile) + ".away");
  std::vector<double> cleared;
  status = Calculate(fn, 0.0, cleared);
  Check(status == 0 && cleared == first, "run flag clear: status 0 and the previous 400 outputs");
  Check(!fs::exists("inputvars.dat"), "run flag clear: inputvars.dat is not written");

  // Driver missing with the run flag set: status 1, output vector untouched,
  // not the previous run's outfile.dat handed back as this run's result.
  std::vector<double> missing;
  status = Calculate(fn, 1.0, missing);
  Check(status == 1, "driver missing: status " + std::to_string(status) + ", expected 1");
  Check(AllUntouched(missing), "driver missing: output vector untouched");
  Check(Contains("Pellmar.err", std::string("the driver ") + kDriverFile) && !fs::exists("Torvane.err"),
        "driver missing: Pellmar.err names the driver, no Torvane.err: " + FileText("Pellmar.err"));
  fs::rename(std::string(kDriverFile) + ".away", kDriverFile);

  // Engine missing: the driver fails at its first engine call, so the same;
  // its own line is in Torvane.err and, after the adapter's, in Pellmar.err.
  fs::rename(kEngineFile, std::string(kEngineFile) + ".away");
  status = Calculate(fn, 1.0, missing);
  Check(status == 1 && AllUntouched(missing), "engine missing: status " + std::to_string(status) +
                                                  ", expected 1 with the output vector untouched");
  Check(Contains("Torvane.err", std::string("cannot load the engine ") + kEngineFile) &&
            Contains("Pellmar.err", "\r\nTorvane: file not found: cannot load the engine"),
        "engine missing: Torvane.err and Pellmar.err name the engine: " + FileText("Pellmar.err"));
  fs::rename(std::string(kEngineFile) + ".away", kEngineFile);

  // A project path misspelt on Control.dat line 6: named with its line.
  std::string control;
  common::ReadWholeFile("Control.dat", control);
  std::string misspelt = control;
  const size_t line6 = [&] {
    size_t at = 0;
    for (int i = 0; i < 5; ++i) at = misspelt.find('\n', at) + 1;
    return at;
  }();
  misspelt.insert(line6, "missing/");
  common::WriteFileReplacing("Control.dat", misspelt);
  status = Calculate(fn, 1.0, missing);
  Check(status == 1 && Contains("Pellmar.err", "network C (Control.dat line 6, missing/") &&
            Contains("Torvane.err", "network C (Control.dat line 6, missing/"),
        "project misspelt: status " + std::to_string(status) + ", Pellmar.err: " + FileText("Pellmar.err"));
  common::WriteFileReplacing("Control.dat", control);

  // A second calculation while the folder is in use (its inputvars.dat held,
  // as a running calculation holds it) is refused, naming the folder.
  {
    common::HeldFile busy;
    Check(busy.Hold("inputvars.dat") == common::HeldFile::Outcome::Held, "hold inputvars.dat");
    status = Calculate(fn, 1.0, missing);
    Check(status == 1 && AllUntouched(missing) && Contains("Pellmar.err", "is in use by another calculation"),
          "folder in use: status " + std::to_string(status) + ", Pellmar.err: " + FileText("Pellmar.err"));
  }

  // Leave the folder as the successful run left it, for the comparison; the
  // good run removes both reports, and no temporary is left.
  std::vector<double> last;
  status = Calculate(fn, 1.0, last);
  Check(status == 0 && last == first, "driver back: status 0 and the same outputs");
  Check(!fs::exists("Pellmar.err") && !fs::exists("Torvane.err"), "a good calculation removes Pellmar.err and Torvane.err");
  for (const auto& entry : fs::recursive_directory_iterator("."))
    Check(entry.path().extension() != ".tmp", "temporary left behind: " + entry.path().string());
  common::WriteFileReplacing("results.txt", ResultsText(first));
  if (failures == 0) std::printf("ok: %s: 400 outputs, statuses and mends as expected\n", workDir.string().c_str());
  return failures == 0 ? 0 : 1;
}

int Compare(const fs::path& refDir, const fs::path& workDir) {
  std::string refInputs, inputs;
  if (!common::ReadWholeFile((refDir / "inputvars.dat").string(), refInputs) ||
      !common::ReadWholeFile((workDir / "inputvars.dat").string(), inputs)) {
    std::printf("FAIL: cannot read inputvars.dat in %s or %s\n", refDir.string().c_str(), workDir.string().c_str());
    return 1;
  }
  Check(refInputs == inputs, "inputvars.dat differs between the two platforms");
  int compiled = 0;
  for (const auto& entry : fs::recursive_directory_iterator(workDir)) {
    if (entry.path().extension() != ".DLLFile") continue;
    const fs::path ref = refDir / fs::relative(entry.path(), workDir);
    std::string a, b;
    Check(common::ReadWholeFile(ref.string(), a) && common::ReadWholeFile(entry.path().string(), b) && a == b,
          "compiled file " + entry.path().filename().string() + " differs from " + ref.string());
    ++compiled;
  }

  // The engine's results are the same bits on every platform: the
  // exponential is its own, correctly rounded.
  std::vector<double> ref, got;
  if (!ReadResults((refDir / "results.txt").string(), ref) || !ReadResults((workDir / "results.txt").string(), got)) {
    std::printf("FAIL: cannot read 400 results in %s or %s\n", refDir.string().c_str(), workDir.string().c_str());
    return 1;
  }
  for (size_t i = 0; i < ref.size(); ++i) {
    if (std::memcmp(&ref[i], &got[i], sizeof(double)) != 0) {
      std::printf("FAIL: output %zu: reference %a, got %a\n", i, ref[i], got[i]);
      ++failures;
    }
  }
  if (failures == 0)
    std::printf("ok: 400 outputs bit-identical; inputvars.dat and %d compiled files identical\n", compiled);
  return failures == 0 ? 0 : 1;
}

int ApplyCases(const fs::path& sampleDir, const fs::path& outDir, long count) {
  std::error_code ec;
  fs::remove_all(outDir, ec);
  fs::create_directories(outDir);
  for (const char* side : {"linux", "windows"}) {
    fs::copy(sampleDir / "projects", outDir / side, fs::copy_options::recursive, ec);
    if (ec) {
      std::printf("FAIL: copy %s: %s\n", (sampleDir / "projects").string().c_str(), ec.message().c_str());
      return 1;
    }
    for (const auto& entry : fs::directory_iterator(outDir / side))
      if (entry.path().extension() == ".DLLFile") fs::remove(entry.path());
  }
  std::mt19937_64 random(18);
  int written = 0;
  for (const auto& entry : fs::directory_iterator(sampleDir / "checks")) {
    const std::string file = entry.path().filename().string();
    const std::string suffix = ".inputs.csv";
    if (file.size() <= suffix.size() || file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    const tools::CsvTable checks = tools::ReadCsvFile(entry.path().string());
    std::vector<double> lo(checks.header.size(), 0.0), hi(checks.header.size(), 0.0);
    for (size_t j = 0; j < checks.header.size(); ++j) {
      for (size_t i = 0; i < checks.rows.size(); ++i) {
        lo[j] = i == 0 ? checks.rows[i][j] : std::min(lo[j], checks.rows[i][j]);
        hi[j] = i == 0 ? checks.rows[i][j] : std::max(hi[j], checks.rows[i][j]);
      }
    }
    std::vector<std::vector<double>> rows(static_cast<size_t>(count), std::vector<double>(checks.header.size()));
    for (auto& row : rows)
      for (size_t j = 0; j < row.size(); ++j) {
        const double u = static_cast<double>(random() >> 11) * 0x1p-53;
        const double span = hi[j] > lo[j] ? hi[j] - lo[j] : std::max(1.0, std::fabs(lo[j]));
        row[j] = lo[j] + span * (1.5 * u - 0.25);
      }
    const std::string name = file.substr(0, file.size() - suffix.size());
    common::WriteFileReplacing((outDir / (name + ".cases.csv")).string(), tools::FormatCsv(checks.header, rows));
    ++written;
  }
  if (written == 0) std::printf("FAIL: no checks/*.inputs.csv in %s\n", sampleDir.string().c_str());
  return written > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (argc == 4 && mode == "run") return Run(fs::absolute(argv[2]), fs::absolute(argv[3]), {});
    if (argc == 5 && mode == "run-sample")
      return Run(fs::absolute(argv[2]), fs::absolute(argv[3]), fs::absolute(argv[4]));
    if (argc == 4 && mode == "compare") return Compare(argv[2], argv[3]);
    if (argc == 5 && mode == "apply-cases") return ApplyCases(argv[2], argv[3], std::atol(argv[4]));
  } catch (const std::exception& e) {
    std::printf("FAIL: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: pellmar_host run BIN_DIR WORK_DIR | run-sample BIN_DIR WORK_DIR SAMPLE_DIR |"
               " compare REFERENCE_DIR WORK_DIR | apply-cases SAMPLE_DIR OUT_DIR COUNT\n");
  return 2;
}
