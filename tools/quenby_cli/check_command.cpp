#include "check_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "column_layout.h"
#include "command_line.h"
#include "common/failure.h"
#include "common/platform.h"
#include "common/text_file.h"
#include "deployment_findings.h"
#include "engine_binding.h"
#include "host_inputs_file.h"
#include "input_precision.h"
#include "quenby.h"
#include "quenby_network.h"

#ifdef _WIN32
#include <process.h>
#define QUENBY_CHECK_PID _getpid
#else
#include <unistd.h>
#define QUENBY_CHECK_PID getpid
#endif

namespace tools {

namespace fs = std::filesystem;

const char* const kCheckUsage =
    "usage: quenby check [--inputs INPUTS] [FOLDER]\n"
    "\n"
    "Checks a deployment folder (default: the current one) the way the driver\n"
    "and the engine would read it, one line per finding, each starting with\n"
    "ok, warning or error: the adapter, driver and engine side by side;\n"
    "Control.dat (the four project paths, the case count); each network's\n"
    "compiled file or project files, that it compiles, a compiled file older\n"
    "than its project files, its columns against the table the driver builds\n"
    "for it, its outputs; and that the folder can be written.\n"
    "--inputs INPUTS  also run one whole calculation through the adapter with\n"
    "                 these 510 host inputs (as pellmar-run reads them), and\n"
    "                 warn of each input that \"inputvars.dat\"'s four decimals\n"
    "                 change by more than a part in a million\n"
    "The folder is not changed: compilations and the calculation run in a\n"
    "temporary copy. Exit code 0 when there is no error, 1 otherwise.\n";

namespace {

constexpr const char* kProjectSuffixes[] = {".dat", ".flg", ".ndp", ".MinMax", ".clu", ".net", ".grn", ".DLLFile"};

// A temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    static int count = 0;
    path_ = fs::temp_directory_path() /
            ("quenby-check-" + std::to_string(QUENBY_CHECK_PID()) + "-" + std::to_string(++count));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(common::FilesystemPath(path), ec);
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
}

// One network of the cascade: where its project is and where its copy goes.
struct Network {
  const torvane::InputTableLayout* layout;
  std::string name;      // "network A (Control.dat line 2, projects/SourceZone)"
  std::string written;   // the path as Control.dat gives it
  std::string project;   // resolved from the working folder
  std::string copy;      // the same project in the temporary copy
};

void CopyProject(const Network& n) {
  fs::create_directories(common::FilesystemPath(n.copy).parent_path());
  // Two lines may name the same project: it is copied once.
  for (const char* suffix : kProjectSuffixes) {
    if (Exists(n.project + suffix) && !Exists(n.copy + suffix)) {
      fs::copy_file(common::FilesystemPath(n.project + suffix), common::FilesystemPath(n.copy + suffix));
    }
  }
}

void CheckNetwork(const Network& n, std::vector<Finding>& out) {
  const bool compiled = Exists(n.project + ".DLLFile");
  if (compiled) {
    out.push_back(finding::CompiledFilePresent(n.project + ".DLLFile"));
    std::error_code ec;
    const auto compiledTime = fs::last_write_time(common::FilesystemPath(n.project + ".DLLFile"), ec);
    for (const char* suffix : kProjectSuffixes) {
      const std::string file = n.project + suffix;
      if (std::string(suffix) == ".DLLFile" || !Exists(file)) continue;
      std::error_code ec2;
      if (!ec && fs::last_write_time(common::FilesystemPath(file), ec2) > compiledTime && !ec2) {
        out.push_back(finding::CompiledFileOlder(n.project + ".DLLFile", file, n.written));
        break;
      }
    }
  } else {
    if (!Exists(n.project + ".dat") || !Exists(n.project + ".flg")) {
      out.push_back(finding::ProjectMissing(n.name, n.project));
      return;
    }
    if (!Exists(n.project + ".ndp")) out.push_back(finding::NoDesignFile(n.project));
    if (!Exists(n.project + ".MinMax")) out.push_back(finding::NoRangeFile(n.project));
    if (!Exists(n.project + ".net")) out.push_back(finding::NoWeightFile(n.project));
  }
  CopyProject(n);
  // Messages name the copy; the person looks at the original.
  auto original = [&](std::string message) {
    Replace(message, n.copy, n.project);
    return message;
  };
  if (!compiled && CreatDllFile(n.copy.c_str()) != QUENBY_OK) {
    out.push_back(finding::DoesNotCompile(n.name, original(QuenbyLastError())));
    return;
  }
  quenby::NetworkDescription d;
  try {
    d = quenby::DescribeNetwork(n.copy);
  } catch (const quenby::NetworkReadError& e) {
    out.push_back(finding::UnreadableCompiledFile(n.name, original(e.what())));
    return;
  }
  out.push_back(finding::Compiles(n.project, !compiled));
  if (!d.hasBackProp) out.push_back(finding::NoBackProp(n.name));
  if (Exists(n.project + ".grn") && !d.hasGrnn) out.push_back(finding::UncalibratedGrnn(n.project));

  const int reads = static_cast<int>(d.callerColumns.size());
  const int built = static_cast<int>(n.layout->sources.size());
  if (reads > built) {
    out.push_back(finding::ReadsTooManyColumns(n.name, reads, built));
  } else if (reads < built) {
    out.push_back(finding::ColumnsNeverRead(n.name, reads, built,
                                            torvane::DescribeColumnSource(n.layout->sources[static_cast<size_t>(reads)])));
  } else {
    out.push_back(finding::ReadsEveryColumn(n.name, built));
  }
  if (static_cast<int>(d.outputs.size()) < n.layout->neededOutputs) {
    out.push_back(finding::TooFewOutputs(n.name, static_cast<int>(d.outputs.size()), n.layout->neededOutputs));
  }
}

std::string ReadFirstLines(const std::string& path) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) return "";
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The folder's Control.dat and deliverables beside the copied projects,
// then one calculation with the run flag set, from inside the copy.
Finding Calculate(const std::string& folder, const std::vector<Network>& networks, const std::vector<double>& inputs,
                  const fs::path& scratch) {
  const DeliverableNames& names = Deliverables();
  for (const char* file : {names.adapter, names.driver, names.engine}) {
    const fs::path from = common::FilesystemPath(folder) / file;
    if (!Exists(from.string())) return finding::CalculationFailed(from.string() + " is missing");
    fs::copy_file(from, scratch / file, fs::copy_options::overwrite_existing);
  }
  // Control.dat names the copies (the same relative paths; absolute ones are
  // moved into the copy).
  std::string control;
  common::ReadWholeFile((common::FilesystemPath(folder) / "Control.dat").string(), control);
  for (const Network& n : networks) {
    if (common::FilesystemPath(n.written).is_absolute()) Replace(control, n.written, n.copy);
  }
  common::WriteFileReplacing((scratch / "Control.dat").string(), control);

  common::SharedLibrary adapter;
  if (!adapter.Open((scratch / names.adapter).string())) return finding::CalculationFailed(adapter.Error());
  using InterfaceFunction = void (*)(int32_t, int32_t*, double*, double*);
  auto call = reinterpret_cast<InterfaceFunction>(adapter.Resolve("interface_function"));
  if (!call) return finding::CalculationFailed(adapter.Error());

  std::vector<double> in(511, 0.0), result(400, 0.0);
  in[0] = 1.0;
  std::copy(inputs.begin(), inputs.end(), in.begin() + 1);
  const fs::path started = fs::current_path();
  fs::current_path(scratch);
  int32_t status = -1;
  const auto begin = std::chrono::steady_clock::now();
  call(1, &status, in.data(), result.data());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  fs::current_path(started);
  if (status != 0) {
    std::string reason = ReadFirstLines((scratch / "Pellmar.err").string());
    Replace(reason, scratch.string(), folder);
    return finding::CalculationFailed("status " + std::to_string(status) + (reason.empty() ? "" : ": " + reason));
  }
  std::string series;
  const char* titles[] = {"A output 1", "A output 2", "C", "B"};
  for (int s = 0; s < 4; ++s) {
    series += std::string(s ? "; " : "") + titles[s] + ":";
    for (int step = 0; step < 3; ++step) {
      char v[32];
      std::snprintf(v, sizeof v, " %.6g", result[static_cast<size_t>(s * 100 + step)]);
      series += v;
    }
    series += " ...";
  }
  return finding::Calculated(seconds, series);
}

int Check(const std::string& folder, const std::string& inputsFile, std::ostream& out) {
  std::vector<Finding> findings;
  std::error_code ec;
  if (!fs::is_directory(common::FilesystemPath(folder), ec)) {
    out << FindingLine({Severity::Error, folder + " is not a folder"}) << "\n";
    return 1;
  }
  CheckDeliverables(folder, findings);
  const ControlFile control = CheckControlFile(folder, findings);
  CheckWritable(folder, findings);

  ScratchFolder scratch;
  std::vector<Network> networks;
  if (control.read) {
    size_t absolute = 0;
    for (const torvane::InputTableLayout& layout : torvane::kInputTables) {
      size_t i = 0;
      while (control.lines[i] != layout.controlLine) ++i;
      Network n;
      n.layout = &layout;
      n.written = control.projects[i];
      n.name = torvane::CascadeNetwork(layout.controlLine, n.written);
      n.project = ResolveProject(folder, n.written);
      n.copy = common::FilesystemPath(n.written).is_absolute()
                   ? (scratch.Path() / ("absolute-" + std::to_string(++absolute)) / common::FilesystemPath(n.written).filename()).string()
                   : (scratch.Path() / n.written).string();
      CheckNetwork(n, findings);
      networks.push_back(std::move(n));
    }
  }
  if (!inputsFile.empty()) {
    try {
      const std::vector<double> inputs = ReadHostInputs(inputsFile);
      PrecisionReport precision;
      precision.Add(0, 0, PrecisionChanges(inputs));
      for (const std::string& line : precision.Lines(kHostInputCount, 1)) findings.push_back(finding::InputPrecision(line));
      if (control.read) findings.push_back(Calculate(folder, networks, inputs, scratch.Path()));
    } catch (const common::Failure& f) {
      findings.push_back(finding::InputsUnreadable(f.message));
    }
  }
  for (const Finding& f : findings) out << FindingLine(f) << "\n";
  return HasError(findings) ? 1 : 0;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    std::string inputs;
    std::vector<std::string> positional;
    CLI::App app;
    PrepareCommandLine(app, positional);
    app.add_option("--inputs", inputs);
    ParseCommandLine(app, args);
    if (positional.size() > 1) throw UsageError{"expected at most one FOLDER"};
    const std::string folder = positional.empty() ? "." : positional[0];
    return Check(folder, inputs, out);
  } catch (const UsageError& e) {
    err << "quenby check: " << e.message << " (see quenby check --help)\n";
    return 2;
  } catch (const fs::filesystem_error& e) {
    err << "quenby check: " << e.what() << "\n";
    return 1;
  } catch (const common::Failure& f) {
    err << "quenby check: " << f.message << "\n";
    return 1;
  }
}

}  // namespace tools
