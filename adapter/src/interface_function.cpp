#include <cstdio>
#include <cstring>
#include <string>

#include "exchange_error.h"
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

void Report(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

// Writes "inputvars.dat". False when it cannot be opened (nothing reported:
// the status word says it) or written (reported).
bool WriteInputVars(const double* in) {
  std::FILE* file = std::fopen("inputvars.dat", "wb");
  if (!file) return false;
  const std::string text = InputVarsText(in);
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
  bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    Report(ExchangeDiagnostic(written ? ExchangeError::CloseError : ExchangeError::WriteError, kInputVarsUnit,
                              ExchangeFilePath("inputvars.dat")));
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
bool ReadOutFile(double* out) {
  std::FILE* file = OpenOutFile();
  if (!file) return false;
  std::string text;
  char buffer[1 << 14];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  bool readFailed = std::ferror(file) != 0;
  bool closed = std::fclose(file) == 0;
  double values[kModelOutputs];
  std::memcpy(values, out, sizeof values);
  ExchangeError error = ExchangeError::None;
  if (readFailed) error = ExchangeError::ReadError;
  else error = ReadOutFileValues(text, values, kModelOutputs).error;
  if (error == ExchangeError::None && !closed) error = ExchangeError::CloseError;
  if (error != ExchangeError::None) {
    Report(ExchangeDiagnostic(error, kOutFileUnit, ExchangeFilePath("outfile.dat")));
    return false;
  }
  std::memcpy(out, values, sizeof values);
  return true;
}

void Calculate(int32_t* status, const double* in, double* out) {
  *status = kDone;
  if (RunFlagSet(in[0])) {
    if (!WriteInputVars(in)) {
      *status = kFailed;
      return;
    }
    int32_t exitCode = RunCommand(kDriverCommand, static_cast<int32_t>(sizeof kDriverCommand - 1));
    // The driver's results are this run's only when it ended well; an older
    // "outfile.dat" must not be handed back in their place.
    if (exitCode != 0) {
      Report(exitCode == -1 ? std::string("Pellmar: the driver ") + kDriverCommand + " could not be run"
                            : std::string("Pellmar: the driver ") + kDriverCommand + " ended with exit code " +
                                  std::to_string(exitCode));
      *status = kFailed;
      return;
    }
  }
  if (!ReadOutFile(out)) *status = kFailed;
}

}  // namespace

}  // namespace pellmar

extern "C" PELLMAR_API void interface_function(int32_t method, int32_t* status, double* in, double* out) {
  if (!status) return;
  try {
    switch (method) {
      case 0:
      case 99:
        *status = 0;
        return;
      case 1:
        if (!in || !out) {
          *status = 1;
          return;
        }
        pellmar::Calculate(status, in, out);
        return;
      case 2:
        if (!out) break;
        *status = 0;
        out[0] = 1.0;
        return;
      case 3:
        if (!out) break;
        *status = 0;
        out[0] = 511.0;
        out[1] = 400.0;
        return;
      default:
        break;
    }
  } catch (...) {
    // Out of memory while building a file's text: nothing may reach the host.
  }
  *status = 1;
}
