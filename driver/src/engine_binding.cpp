#include "engine_binding.h"

#include <algorithm>
#include <string>

#include "common/failure.h"
#include "common/platform.h"
#include "quenby.h"

namespace torvane {

namespace {

using common::Fail;
using common::FailureClass;

#ifdef _WIN32
constexpr const char* kEngineFile = "Quenby.dll";
#else
constexpr const char* kEngineFile = "libQuenby.so";
#endif

using ApplyNNetFn = int32_t (*)(const char*, const char*, const QuenbyTable*, QuenbyTable*);
using LastErrorFn = const char* (*)();
using FreeTableFn = void (*)(QuenbyTable*);

struct Engine {
  common::SharedLibrary library;
  ApplyNNetFn apply = nullptr;
  LastErrorFn lastError = nullptr;
  FreeTableFn freeTable = nullptr;
};

Engine& BoundEngine() {
  static Engine engine;
  if (engine.apply) return engine;
  std::string folder = common::ProgramFolder();
  std::string firstTry = folder.empty() ? std::string() : folder + common::kPathSeparator + kEngineFile;
  if (firstTry.empty() || !engine.library.Open(firstTry)) {
    std::string firstError = engine.library.Error();
    if (!engine.library.Open(kEngineFile))
      Fail(FailureClass::FileNotFound, std::string("cannot load the engine ") + kEngineFile + ": " +
                                           (firstError.empty() ? engine.library.Error() : firstError));
  }
  auto apply = reinterpret_cast<ApplyNNetFn>(engine.library.Resolve("ApplyNNet"));
  if (!apply)
    Fail(FailureClass::FileNotFound, std::string("the engine ") + kEngineFile + " has no export ApplyNNet: " +
                                         engine.library.Error());
  engine.lastError = reinterpret_cast<LastErrorFn>(engine.library.Resolve("QuenbyLastError"));
  engine.freeTable = reinterpret_cast<FreeTableFn>(engine.library.Resolve("QuenbyFreeTable"));
  engine.apply = apply;
  return engine;
}

FailureClass ClassOfStatus(int32_t status) {
  if (status >= QUENBY_FILE_NOT_FOUND && status <= QUENBY_INVALID_ARGUMENT) return static_cast<FailureClass>(status);
  return FailureClass::InvalidArgument;
}

// Frees the engine's table whatever happens to the copy.
struct ResultGuard {
  Engine& engine;
  QuenbyTable table{};
  ~ResultGuard() {
    if (engine.freeTable) engine.freeTable(&table);
  }
};

}  // namespace

std::string CascadeNetwork(long controlLine, const std::string& project) {
  const char* name = controlLine == kLineProject1   ? "network A"
                     : controlLine == kLineProject2 ? "network B"
                     : controlLine == kLineProject3 ? "network C"
                     : controlLine == kLineProject4 ? "the first-stage network"
                                                    : "the network";
  return std::string(name) + " (Control.dat line " + std::to_string(controlLine) + ", " + project + ")";
}

void ApplyNetwork(const std::string& project, long controlLine, const Table& inputs, Table& result,
                  const char* resultName) {
  Engine& engine = BoundEngine();
  const std::string which = CascadeNetwork(controlLine, project);
  QuenbyTable view{const_cast<double*>(inputs.Data()), inputs.RowLower(), inputs.RowUpper(), inputs.ColLower(),
                   inputs.ColUpper()};
  ResultGuard guard{engine};
  const std::string projectText = project;  // the engine gets its own copy of the text
  int32_t status = engine.apply("Back Prop", projectText.c_str(), &view, &guard.table);
  if (status != QUENBY_OK) {
    const char* message = engine.lastError ? engine.lastError() : nullptr;
    std::string text = which + " failed: ";
    text += (message && *message) ? message : "engine status " + std::to_string(status);
    Fail(ClassOfStatus(status), text);
  }
  const QuenbyTable& t = guard.table;
  const int32_t rows = inputs.RowUpper();
  if (t.row_lower != 1 || t.col_lower != 1 || t.row_upper != rows || t.col_upper < 1 || !t.data) {
    Fail(FailureClass::Subscript, which + " returned a table of (" + std::to_string(t.row_lower) + " To " +
                                      std::to_string(t.row_upper) + ", " + std::to_string(t.col_lower) + " To " +
                                      std::to_string(t.col_upper) + "), expected rows 1 To " + std::to_string(rows) +
                                      " and at least column 1");
  }
  result.RedimForOverwrite(1, t.row_upper, 1, t.col_upper, resultName);  // every cell copied below
  const size_t count = static_cast<size_t>(t.row_upper) * static_cast<size_t>(t.col_upper);
  std::copy(t.data, t.data + count, result.Data());
}

void ApplyNetworkInParts(const std::string& project, long controlLine, const Table& inputs, Table& result,
                         const char* resultName) {
  const int32_t rows = inputs.RowUpper();
  if (inputs.RowLower() != 0 || rows <= kRowsPerPart) {
    ApplyNetwork(project, controlLine, inputs, result, resultName);
    return;
  }
  Engine& engine = BoundEngine();
  const std::string projectText = project;
  const size_t stride = static_cast<size_t>(inputs.ColUpper() - inputs.ColLower() + 1);
  int32_t outputs = 0;
  for (int32_t first = 1; first <= rows; first += kRowsPerPart) {
    const int32_t count = std::min(kRowsPerPart, rows - first + 1);
    // Rows first..first + count - 1 as a table of their own: its row 0,
    // which the engine skips, is the row before them.
    QuenbyTable view{const_cast<double*>(inputs.Data()) + static_cast<size_t>(first - 1) * stride, 0, count,
                     inputs.ColLower(), inputs.ColUpper()};
    ResultGuard guard{engine};
    const int32_t status = engine.apply("Back Prop", projectText.c_str(), &view, &guard.table);
    const QuenbyTable& t = guard.table;
    const bool expected = status == QUENBY_OK && t.data && t.row_lower == 1 && t.col_lower == 1 &&
                          t.row_upper == count && t.col_upper >= 1 && (outputs == 0 || t.col_upper == outputs);
    if (!expected) {
      // The whole table in one call fails as it always did: the engine
      // numbers the case it names from the table's first row.
      ApplyNetwork(project, controlLine, inputs, result, resultName);
      return;
    }
    if (outputs == 0) {
      outputs = t.col_upper;
      result.RedimForOverwrite(1, rows, 1, outputs, resultName);  // every part copied below
    }
    const size_t cells = static_cast<size_t>(count) * static_cast<size_t>(outputs);
    std::copy(t.data, t.data + cells, result.Data() + static_cast<size_t>(first - 1) * static_cast<size_t>(outputs));
  }
}

}  // namespace torvane
