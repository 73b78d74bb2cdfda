#include "deployment_findings.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "common/failure.h"
#include "common/platform.h"
#include "common/text_file.h"
#include "control_file.h"
#include "driver_state.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

Finding Ok(std::string text) { return {Severity::Ok, std::move(text)}; }
Finding Warn(std::string text) { return {Severity::Warning, std::move(text)}; }
Finding Error(std::string text) { return {Severity::Error, std::move(text)}; }

bool Writable(const std::string& path) {
#ifdef _WIN32
  return _waccess(common::FilesystemPath(path).c_str(), 2) == 0;  // wide: the tools carry UTF-8
#else
  return access(path.c_str(), W_OK) == 0;
#endif
}

bool Executable(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return true;
#else
  return access(path.c_str(), X_OK) == 0;
#endif
}

// A file of the folder as the person named it: "Control.dat" for ".".
std::string In(const std::string& folder, const char* name) {
  return folder == "." ? std::string(name) : (common::FilesystemPath(folder) / name).string();
}

}  // namespace

std::string FindingLine(const Finding& f) {
  const char* word = f.severity == Severity::Ok ? "ok" : f.severity == Severity::Warning ? "warning" : "error";
  return std::string(word) + "  " + f.text;
}

bool HasError(const std::vector<Finding>& findings) {
  for (const auto& f : findings)
    if (f.severity == Severity::Error) return true;
  return false;
}

const DeliverableNames& Deliverables() {
#ifdef _WIN32
  static const DeliverableNames names{"Pellmar.dll", "Torvane.exe", "Quenby.dll"};
#else
  static const DeliverableNames names{"libPellmar.so", "Torvane", "libQuenby.so"};
#endif
  return names;
}

std::string ResolveProject(const std::string& folder, const std::string& project) {
  fs::path p = common::FilesystemPath(project);
  return p.is_absolute() || folder == "." ? project : (common::FilesystemPath(folder) / p).string();
}

void CheckDeliverables(const std::string& folder, std::vector<Finding>& out) {
  const DeliverableNames& d = Deliverables();
  const struct {
    const char* file;
    const char* role;
  } items[] = {{d.adapter, "the adapter the host loads"}, {d.driver, "the driver the adapter starts"}, {d.engine, "the engine the driver loads"}};
  for (const auto& item : items) {
    const std::string path = In(folder, item.file);
    std::error_code ec;
    if (!fs::is_regular_file(common::FilesystemPath(path), ec)) {
      out.push_back(Error(path + " is missing (" + item.role + "): copy it into the folder beside the other two"));
    } else if (item.file == d.driver && !Executable(path)) {
      out.push_back(Error(path + " cannot be run: make it executable (chmod +x " + path + ")"));
    } else {
      out.push_back(Ok(path + " (" + item.role + ")"));
    }
  }
}

ControlFile CheckControlFile(const std::string& folder, std::vector<Finding>& out) {
  ControlFile c;
  c.path = In(folder, "Control.dat");
  torvane::g_dataFolder = folder;
  try {
    torvane::ReadControlFile();
  } catch (const common::Failure& f) {
    out.push_back(Error(f.message + ": the driver would stop here; Control.dat holds ten lines: a label, network A's "
                                    "project, a label, B's, a label, C's, a label, the first stage's, a label, the case "
                                    "count"));
    return c;
  }
  c.read = true;
  // The driver's bytes, in the system code page; the tools carry UTF-8 paths.
  c.projects = {common::PathFromSystemText(torvane::ProjectPath1), common::PathFromSystemText(torvane::ProjectPath2),
                common::PathFromSystemText(torvane::ProjectPath3), common::PathFromSystemText(torvane::ProjectPath4)};
  c.caseCount = torvane::CaseCount;
  const std::string where = c.path + " line 10";
  if (c.caseCount == 1) {
    out.push_back(Ok(where + ": case count 1"));
  } else if (c.caseCount <= 0) {
    out.push_back(Error(where + ": the case count is " + std::to_string(c.caseCount) +
                        "; the host hands over one case per calculation: write 1"));
  } else if (c.caseCount > 327) {
    out.push_back(Error(where + ": " + std::to_string(c.caseCount) + " cases need " +
                        std::to_string(100L * c.caseCount) +
                        " rows of 100 steps, more than the driver's tables hold (32767 rows, at most 327 cases); "
                        "the host hands over one case: write 1"));
  } else {
    out.push_back(Error(where + ": the case count is " + std::to_string(c.caseCount) +
                        ", but the host hands over one case (510 numbers in inputvars.dat): write 1"));
  }
  for (size_t i = 0; i < 4; ++i) {
    const std::string& p = c.projects[i];
    if (!p.empty() && (p.front() == ' ' || p.back() == ' ')) {
      out.push_back(Warn(c.path + " line " + std::to_string(c.lines[i]) + ": the project path \"" + p +
                         "\" begins or ends with a blank, which the driver keeps as part of the path"));
    }
  }
  return c;
}

void CheckWritable(const std::string& folder, std::vector<Finding>& out) {
  if (!Writable(folder)) {
    out.push_back(Error(folder + " cannot be written: the adapter writes inputvars.dat there and the driver "
                                 "outfile.dat; make the folder writable"));
    return;
  }
  bool all = true;
  for (const char* name : {"inputvars.dat", "outfile.dat", "trashy.dat"}) {
    const std::string path = In(folder, name);
    if (common::FileExists(path) && !Writable(path)) {
      out.push_back(Error(path + " is read-only: each calculation replaces it; make it writable or delete it"));
      all = false;
    }
  }
  if (all) out.push_back(Ok(folder + " is writable"));
}

namespace finding {

Finding ProjectMissing(const std::string& name, const std::string& project) {
  return Error(name + ": neither a compiled file " + project + ".DLLFile nor the project files " + project +
               ".dat and .flg: check the path on that line, relative to the working folder");
}
Finding CompiledFilePresent(const std::string& compiled) {
  return Ok(compiled + " (compiled; the engine reads only this file)");
}
Finding CompiledFileOlder(const std::string& compiled, const std::string& newer, const std::string& project) {
  return Warn(compiled + " is older than " + newer + ": the engine keeps using the compiled file; after retraining, "
              "delete it or run quenby compile " + project);
}
Finding NoDesignFile(const std::string& project) {
  return Warn("no design file " + project + ".ndp: the compilation takes every variable flagged as an input as a "
              "direct input, without clustering");
}
Finding NoRangeFile(const std::string& project) {
  return Ok("no range file " + project + ".MinMax: the compilation takes the ranges from the data");
}
Finding NoWeightFile(const std::string& project) {
  return Error("no weight file " + project + ".net: the compiled network would have no back-propagation network, "
               "which the cascade uses (\"Back Prop\"); copy the .net file");
}
Finding Compiles(const std::string& project, bool compiledNow) {
  return Ok(project + (compiledNow ? " compiles (in a temporary copy)" : " loads"));
}
Finding DoesNotCompile(const std::string& name, const std::string& message) {
  return Error(name + " does not compile: " + message);
}
Finding UnreadableCompiledFile(const std::string& name, const std::string& message) {
  return Error(name + ": the compiled file cannot be read: " + message + "; delete it so that it is compiled again");
}
Finding NoBackProp(const std::string& name) {
  return Error(name + " has no back-propagation network, which the cascade uses (\"Back Prop\"): the call would "
               "fail; compile the project with its .net file");
}
Finding ReadsTooManyColumns(const std::string& name, int reads, int built) {
  return Error(name + " reads " + std::to_string(reads) + " columns; the driver builds " + std::to_string(built) +
               " for it (see pellmar-run --layout): the call would fail");
}
Finding ColumnsNeverRead(const std::string& name, int reads, int built, const std::string& firstUnread) {
  return Warn(name + " reads " + std::to_string(reads) + " of the " + std::to_string(built) +
              " columns the driver builds for it; columns " + std::to_string(reads + 1) + " to " +
              std::to_string(built) + " (from " + firstUnread + ") are built but never read: was it trained on "
              "the driver's columns? (see pellmar-run --layout)");
}
Finding ReadsEveryColumn(const std::string& name, int built) {
  return Ok(name + " reads the " + std::to_string(built) + " columns the driver builds for it");
}
Finding TooFewOutputs(const std::string& name, int outputs, int needed) {
  return Error(name + " has " + std::to_string(outputs) + " output" + (outputs == 1 ? "" : "s") + "; the cascade needs " +
               std::to_string(needed));
}
Finding UncalibratedGrnn(const std::string& project) {
  return Warn(project + ".grn was never calibrated (\"Run the GRNN first\"): the compiled network has no general "
              "regression network; the cascade does not need one");
}
Finding Calculated(double seconds, const std::string& series) {
  char t[32];
  std::snprintf(t, sizeof t, "%.2f", seconds);
  return Ok(std::string("one host calculation in a temporary copy: status 0 in ") + t + " s; " + series);
}
Finding CalculationFailed(const std::string& reason) {
  return Error("one host calculation in a temporary copy failed: " + reason);
}
Finding InputsUnreadable(const std::string& message) { return Error("--inputs: " + message); }
Finding InputPrecision(const std::string& line) { return Warn("--inputs: precision: " + line); }

}  // namespace finding

}  // namespace tools
