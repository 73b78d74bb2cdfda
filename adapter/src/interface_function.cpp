#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/held_file.h"
#include "common/platform.h"
#include "exchange_error.h"
#include "failure_report.h"
#include "inputvars_writer.h"
#include "launcher.h"
#include "outfile_reader.h"
#include "pellmar.h"
#include "run_flag.h"

namespace pellmar {

namespace {

#ifdef _WIN32
constexpr const char kDriverCommand[] = "Torvane.exe";
#else
constexpr const char kDriverCommand[] = "Torvane";
#endif

constexpr int32_t kDone = 0;
constexpr int32_t kFailed = 1;

// "inputvars.dat" is held for the whole calculation: it is the folder's
// lock. A second calculation in the same folder cannot take it and is
// refused before it writes anything; the driver still reads the file.
// Writes in[1..510] into it. False, with the reason reported, when it
// cannot be held or written.
bool HoldAndWriteInputVars(const double* in, common::HeldFile& inputVars, FailureReport& report) {
  switch (inputVars.Hold("inputvars.dat")) {
    case common::HeldFile::Outcome::Held: break;
    case common::HeldFile::Outcome::Busy: {
      std::error_code ec;
      const std::string folder = std::filesystem::current_path(ec).string();
      report.Add("Pellmar: the folder " + folder +
                 " is in use by another calculation (its inputvars.dat is held); one calculation at a time may use a "
                 "folder");
      return false;
    }
    case common::HeldFile::Outcome::Failed:
      report.Add("Pellmar: cannot open " + ExchangeFilePath("inputvars.dat") + " for writing: " + inputVars.Error());
      return false;
  }
  if (!inputVars.Rewrite(InputVarsText(in))) {
    report.Add(ExchangeDiagnostic(ExchangeError::WriteError, kInputVarsUnit, ExchangeFilePath("inputvars.dat")));
    return false;
  }
  return true;
}

// Opens "outfile.dat", creating an empty one when it is missing.
std::FILE* OpenOutFile() {
  std::FILE* file = std::fopen("outfile.dat", "rb");
  if (!file) file = std::fopen("outfile.dat", "a+b");
  if (file) std::rewind(file);
  return file;
}

// Reads the 400 results into a copy of out and hands them over only when
// every read succeeded.
bool ReadOutFile(double* out, FailureReport& report) {
  std::FILE* file = OpenOutFile();
  if (!file) {
    report.Add("Pellmar: cannot open " + ExchangeFilePath("outfile.dat") + " for reading");
    return false;
  }
  std::string text;
  char buffer[1 << 14];
  size_t bytesRead = 0;
  while ((bytesRead = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, bytesRead);
  bool readFailed = std::ferror(file) != 0;
  bool closed = std::fclose(file) == 0;
  double values[kModelOutputs];
  std::memcpy(values, out, sizeof values);
  ExchangeError error = ExchangeError::None;
  if (readFailed) error = ExchangeError::ReadError;
  else error = ReadOutFileValues(text, values, kModelOutputs).error;
  if (error == ExchangeError::None && !closed) error = ExchangeError::CloseError;
  if (error != ExchangeError::None) {
    report.Add(ExchangeDiagnostic(error, kOutFileUnit, ExchangeFilePath("outfile.dat")));
    return false;
  }
  std::memcpy(out, values, sizeof values);
  return true;
}

void Calculate(int32_t* status, const double* in, double* out, FailureReport& report) {
  *status = kDone;
  common::HeldFile inputVars;
  if (RunFlagSet(in[0])) {
    if (!HoldAndWriteInputVars(in, inputVars, report)) {
      *status = kFailed;
      return;
    }
    // What the driver leaves in Torvane.err from here on is this run's.
    common::RemoveFileQuietly(kDriverFailureFile);
    int32_t exitCode = RunCommand(kDriverCommand, static_cast<int32_t>(sizeof kDriverCommand - 1));
    // The driver's results are this run's only when it ended well; an older
    // "outfile.dat" must not be handed back in their place.
    if (exitCode != 0) {
      report.Add(exitCode == -1 ? std::string("Pellmar: the driver ") + kDriverCommand + " could not be run"
                                : std::string("Pellmar: the driver ") + kDriverCommand + " ended with exit code " +
                                      std::to_string(exitCode));
      report.AddDriverReport();
      *status = kFailed;
      return;
    }
  }
  if (!ReadOutFile(out, report)) *status = kFailed;
}

}  // namespace

}  // namespace pellmar

extern "C" PELLMAR_API void interface_function(int32_t method, int32_t* status, double* in, double* out) {
  if (!status) return;
  try {
    switch (method) {
      case 0:
      case 99:
        *status = pellmar::kDone;
        return;
      case 1:
        if (!in || !out) {
          *status = pellmar::kFailed;
          return;
        }
        {
          pellmar::FailureReport report;
          pellmar::Calculate(status, in, out, report);
          report.Finish(*status);
        }
        return;
      case 2:
        if (!out) break;
        *status = pellmar::kDone;
        out[0] = 1.0;
        return;
      case 3:
        if (!out) break;
        *status = pellmar::kDone;
        out[0] = pellmar::kModelInputs + 1.0;  // the run flag and the model inputs
        out[1] = pellmar::kModelOutputs;
        return;
      default:
        break;
    }
  } catch (...) {
    // Out of memory while building a file's text: nothing may reach the host.
  }
  *status = pellmar::kFailed;
}
