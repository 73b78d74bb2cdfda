#pragma once
// What `quenby check` and `pellmar-run` find in a deployment folder, one
// line each, and every text they say about it, kept in one place.
//
// The folder-level checks here (the three deliverables, "Control.dat" as the
// driver reads it, a writable folder) need no engine: pellmar-run runs them
// before it calculates. The checks of each network are in check_command.cpp.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

enum class Severity { Ok, Warning, Error };

struct Finding {
  Severity severity;
  std::string text;
};

// "ok ...", "warning ...", "error ...".
std::string FindingLine(const Finding& f);
bool HasError(const std::vector<Finding>& findings);

// The deliverables' file names on this platform.
struct DeliverableNames {
  const char* adapter;
  const char* driver;
  const char* engine;
};
const DeliverableNames& Deliverables();

// "Control.dat" of a folder as the driver reads it.
struct ControlFile {
  bool read = false;  // false: findings tell why
  std::string path;
  // Lines 2, 4, 6 and 8, as written (blanks kept): networks A, B, C and the
  // first stage, each with its line.
  std::array<std::string, 4> projects;
  std::array<long, 4> lines{2, 4, 6, 8};
  int caseCount = 0;
};

// A project path resolved as the engine opens it from the working folder.
std::string ResolveProject(const std::string& folder, const std::string& project);

// The folder-level checks, appended to out.
void CheckDeliverables(const std::string& folder, std::vector<Finding>& out);
ControlFile CheckControlFile(const std::string& folder, std::vector<Finding>& out);
void CheckWritable(const std::string& folder, std::vector<Finding>& out);

// The texts of the checks of each network, for check_command.cpp.
namespace finding {

// name: "network A (Control.dat line 2, projects/SourceZone)".
Finding ProjectMissing(const std::string& name, const std::string& project);
Finding CompiledFilePresent(const std::string& compiled);
Finding CompiledFileOlder(const std::string& compiled, const std::string& newer, const std::string& project);
Finding NoDesignFile(const std::string& project);
Finding NoRangeFile(const std::string& project);
Finding NoWeightFile(const std::string& project);
Finding Compiles(const std::string& project, bool compiledNow);
Finding DoesNotCompile(const std::string& name, const std::string& message);
Finding UnreadableCompiledFile(const std::string& name, const std::string& message);
Finding NoBackProp(const std::string& name);
Finding ReadsTooManyColumns(const std::string& name, int reads, int built);
Finding ColumnsNeverRead(const std::string& name, int reads, int built, const std::string& firstUnread);
Finding ReadsEveryColumn(const std::string& name, int built);
Finding TooFewOutputs(const std::string& name, int outputs, int needed);
Finding UncalibratedGrnn(const std::string& project);
Finding Calculated(double seconds, const std::string& series);
Finding CalculationFailed(const std::string& reason);
Finding InputsUnreadable(const std::string& message);
// One line of the precision report (input_precision.h).
Finding InputPrecision(const std::string& line);

}  // namespace finding

}  // namespace tools
