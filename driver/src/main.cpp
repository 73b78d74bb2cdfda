// Torvane: one calculation of the model per run. Takes no arguments; reads
// and writes its files in the folder that holds the program.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cascade.h"
#include "common/failure.h"
#include "common/platform.h"
#include "driver_state.h"

namespace {

// Exactly one line on standard error, whatever the message holds.
void ReportFailure(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  std::fprintf(stderr, "Torvane: %s\n", text.c_str());
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
    return 0;
  } catch (const common::Failure& failure) {
    ReportFailure(failure.message);
  } catch (const std::bad_alloc&) {
    std::fputs("Torvane: out of memory\n", stderr);
  } catch (const std::exception& e) {
    ReportFailure(e.what());
  }
  return 1;
}
