// Torvane: one calculation of the model per run. Takes no arguments; reads
// and writes its files in the folder that holds the program.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cascade.h"
#include "common/failure.h"
#include "common/platform.h"
#include "common/text_file.h"
#include "driver_state.h"

namespace {

// The console cmd.exe opens for the driver closes when it ends, so the
// line also goes to "Torvane.err" beside the program, where the adapter and
// the modeller find it. A run that ends well removes an earlier one.
std::string FailureFilePath(const std::string& folder) { return folder + common::kPathSeparator + "Torvane.err"; }

// Exactly one line on standard error and in Torvane.err, whatever the
// message holds.
void ReportFailure(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  std::fprintf(stderr, "Torvane: %s\n", text.c_str());
  if (torvane::g_dataFolder.empty()) return;
  try {
    common::WriteFileReplacing(FailureFilePath(torvane::g_dataFolder), "Torvane: " + text + "\r\n");
  } catch (...) {
    // A folder that cannot be written: standard error has the line.
  }
}

}  // namespace

int main() {
  try {
    torvane::g_dataFolder = common::ProgramFolder();
    if (torvane::g_dataFolder.empty()) {
      std::fputs("Torvane: cannot tell the folder that holds the program\n", stderr);
      return 1;
    }
    torvane::RunDriver();
    common::RemoveFileQuietly(FailureFilePath(torvane::g_dataFolder));
    return 0;
  } catch (const common::Failure& failure) {
    ReportFailure(failure.message);
  } catch (const std::bad_alloc&) {
    ReportFailure("out of memory");
  } catch (const std::exception& e) {
    ReportFailure(e.what());
  }
  return 1;
}
