// Torvane: one calculation of the model per run. Takes no arguments; reads
// and writes its files in the folder that holds the program.
#include <cstdio>
#include <exception>
#include <new>

#include "cascade.h"
#include "common/failure.h"
#include "common/platform.h"
#include "driver_state.h"

int main() {
  try {
    torvane::DataFolder = common::ProgramFolder();
    if (torvane::DataFolder.empty()) {
      std::fputs("Torvane: cannot tell the folder that holds the program\n", stderr);
      return 1;
    }
    torvane::RunDriver();
    return 0;
  } catch (const common::Failure& failure) {
    std::fprintf(stderr, "Torvane: %s\n", failure.message.c_str());
  } catch (const std::bad_alloc&) {
    std::fputs("Torvane: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Torvane: %s\n", e.what());
  }
  return 1;
}
