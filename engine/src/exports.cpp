// The C API. Every call runs inside one guard that turns a failure into its
// status code and message, so no exception leaves the library.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "backprop.h"
#include "common/failure.h"
#include "common/text_file.h"
#include "compilation.h"
#include "compiled_file.h"
#include "grnn.h"
#include "input_preparation.h"
#include "loaded_network.h"
#include "output_scaling.h"
#include "quenby.h"

namespace quenby {
namespace {

std::string g_lastError;
const char* g_lastErrorText = "";

void SetLastError(const char* text) noexcept {
  try {
    g_lastError = text;
    g_lastErrorText = g_lastError.c_str();
  } catch (...) {
    g_lastErrorText = "out of memory: cannot hold the message of the last failure";
  }
}

template <class Body>
int32_t Guarded(Body&& body) noexcept {
  try {
    body();
    SetLastError("");
    return QUENBY_OK;
  } catch (const common::Failure& f) {
    SetLastError(f.message.c_str());
    return static_cast<int32_t>(f.cls);
  } catch (const std::bad_alloc&) {
    SetLastError("out of memory: a table of the network or of the cases could not be allocated");
    return QUENBY_OUT_OF_MEMORY;
  } catch (const std::length_error&) {
    SetLastError("out of memory: a table would exceed the largest size this system can allocate");
    return QUENBY_OUT_OF_MEMORY;
  } catch (const std::exception& e) {
    SetLastError((std::string("internal error: ") + e.what()).c_str());
    return QUENBY_INVALID_ARGUMENT;
  } catch (...) {
    SetLastError("internal error: an unknown exception");
    return QUENBY_INVALID_ARGUMENT;
  }
}

void RequireText(const char* text, const char* what) {
  if (text == nullptr) common::Fail(common::FailureClass::InvalidArgument, std::string(what) + " is a null pointer");
}

// Before every evaluation: a missing compiled file is compiled first; an
// existing one is used whatever its age, so a deployment runs what it was
// given even where file times are unreliable.
// A "GRNN" call converts the general regression section as it reads it:
// deferred, it would be read twice.
CompiledSections LoadProject(const char* project, bool evaluatesGrnn) {
  Net().ProjectPath = project;
  if (!common::FileExists(Net().ProjectPath + ".DLLFile")) CompileProject();
  return LoadNetworkFile(size_t{1} << 16, evaluatesGrnn);
}

// A network the compiled file does not hold is never evaluated: the fields
// of one loaded earlier in the process would give plausible, wrong results.
[[noreturn]] void FailMissingNetwork(const char* network, const char* madeWithout) {
  const std::string& project = Net().ProjectPath;
  common::FailAt(common::FailureClass::Subscript,
                 "project " + project + " has no " + network + " network: its compiled file was made without " +
                     madeWithout,
                 project + ".DLLFile", 0);
}

// The caller's table as the engine reads it, in place; rows and columns
// below 1 are ignored.
InputTableView ViewInputs(const QuenbyTable& in) {
  using common::FailureClass;
  if (in.row_lower > 1 || in.col_lower > 1) {
    common::Fail(FailureClass::Subscript, "the input table's lower bounds are (" + std::to_string(in.row_lower) +
                                              ", " + std::to_string(in.col_lower) + "); each must be 0 or 1");
  }
  if (in.row_lower < 0 || in.col_lower < 0) {
    common::Fail(FailureClass::InvalidArgument, "the input table's lower bounds are (" +
                                                    std::to_string(in.row_lower) + ", " +
                                                    std::to_string(in.col_lower) + "); each must be 0 or 1");
  }
  const int64_t rows = int64_t{in.row_upper} - in.row_lower + 1;
  const int64_t cols = int64_t{in.col_upper} - in.col_lower + 1;
  if (rows < 0 || cols < 0) {
    common::Fail(FailureClass::InvalidArgument, "the input table's upper bounds (" + std::to_string(in.row_upper) +
                                                    ", " + std::to_string(in.col_upper) +
                                                    ") lie below its lower bounds");
  }
  if (rows > 0 && cols > 0 && in.data == nullptr) {
    common::Fail(FailureClass::InvalidArgument, "the input table has cells but no data");
  }
  InputTableView view;
  view.data = in.data;
  view.rowLower = in.row_lower;
  view.colLower = in.col_lower;
  view.stride = cols;
  view.cases = in.row_upper < 0 ? 0 : in.row_upper;
  view.columns = in.col_upper < 0 ? 0 : in.col_upper;
  return view;
}

void ApplyNetwork(const char* method, const char* project, const QuenbyTable& inputs, QuenbyTable& result) {
  const CompiledSections sections = LoadProject(project, std::strcmp(method, "GRNN") == 0);
  LoadedNetwork& n = Net();
  const InputTableView view = ViewInputs(inputs);
  PlanInputColumns();
  BuildNetInputs(view);

  const int64_t cases = n.NetInputs.Upper1();
  n.NetOutputs.Redim(cases, n.OutputCount, "NetOutputs");
  if (std::strcmp(method, "Back Prop") == 0) {
    if (!sections.backProp) FailMissingNetwork("back-propagation", "a .net file");
    RunBackProp();
  } else if (std::strcmp(method, "GRNN") == 0) {
    // A ".grn" file that was never calibrated compiles into a section
    // without a calibration: no network either.
    if (!sections.grnn || n.GrnnCalibration.empty()) FailMissingNetwork("general regression", "a calibrated .grn file");
    RunGrnn();
  }
  ScaleOutputs(static_cast<int32_t>(cases), n.NetOutputs, n.OutputCount);

  const size_t cells = static_cast<size_t>(cases) * static_cast<size_t>(n.OutputCount);
  double* data = nullptr;
  if (cells > 0) {
    data = static_cast<double*>(std::malloc(cells * sizeof(double)));
    if (data == nullptr) throw std::bad_alloc();
    for (int64_t i = 1; i <= cases; ++i) {
      for (int k = 1; k <= n.OutputCount; ++k) data[(i - 1) * n.OutputCount + (k - 1)] = n.NetOutputs(i, k);
    }
  }
  result.data = data;
  result.row_lower = 1;
  result.row_upper = static_cast<int32_t>(cases);
  result.col_lower = 1;
  result.col_upper = n.OutputCount;
}

void WriteTitles(const char* project) {
  LoadProject(project, false);
  PlanInputColumns();
  const LoadedNetwork& n = Net();
  std::string text;
  const int count = n.DirectInputCount + n.ExtraInputCount;
  for (int i = 1; i <= count; ++i) {
    text += n.InputTitles.At(i, "InputTitles");
    text += "\r\n";
  }
  common::WriteFileReplacing(n.ProjectPath + ".MyTitles", text);
}

}  // namespace
}  // namespace quenby

extern "C" {

QUENBY_API int32_t ApplyNNet(const char* method, const char* project, const QuenbyTable* inputs,
                             QuenbyTable* result) {
  if (result != nullptr) *result = QuenbyTable{};
  return quenby::Guarded([&] {
    quenby::RequireText(method, "the method");
    quenby::RequireText(project, "the project path");
    if (inputs == nullptr) {
      common::Fail(common::FailureClass::InvalidArgument, "the input table is a null pointer");
    }
    if (result == nullptr) {
      common::Fail(common::FailureClass::InvalidArgument, "the result table is a null pointer");
    }
    QuenbyTable out{};
    quenby::ApplyNetwork(method, project, *inputs, out);
    *result = out;
  });
}

QUENBY_API int32_t PrintTitlesName(const char* project) {
  return quenby::Guarded([&] {
    quenby::RequireText(project, "the project path");
    quenby::WriteTitles(project);
  });
}

QUENBY_API int32_t CreatDllFile(const char* project) {
  return quenby::Guarded([&] {
    quenby::RequireText(project, "the project path");
    quenby::Net().ProjectPath = project;
    quenby::CompileProject();
  });
}

QUENBY_API void QuenbyFreeTable(QuenbyTable* table) {
  if (table == nullptr) return;
  std::free(table->data);
  *table = QuenbyTable{};
}

QUENBY_API const char* QuenbyLastError(void) { return quenby::g_lastErrorText; }

}  // extern "C"
