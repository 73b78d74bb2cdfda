// The driver's reading of FUZZED_DRIVER_FILE ("Control.dat" or
// "inputvars.dat"): the case table is sized only by what the file holds.
// For "inputvars.dat" the first two bytes are the case count.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>

#include "case_table.h"
#include "control_file.h"
#include "driver_state.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  torvane::g_dataFolder = fuzz::Scratch();
  const std::string path = torvane::g_dataFolder + "/" + FUZZED_DRIVER_FILE;
  const bool control = std::strcmp(FUZZED_DRIVER_FILE, "Control.dat") == 0;
  try {
    if (control) {
      fuzz::WriteBytes(path, data, size);
      torvane::CaseCount = 0;
      torvane::ReadControlFile();
      torvane::CheckCaseCount();
    } else {
      if (size < 2) return 0;
      int16_t count = 0;
      std::memcpy(&count, data, 2);
      torvane::CaseCount = count;
      fuzz::WriteBytes(path, data + 2, size - 2);
      torvane::LoadCaseTable();
    }
  } catch (const common::Failure& f) {
    fuzz::CheckFailure(f);
  } catch (const std::exception& e) {
    fuzz::Finding(std::string("unexpected exception: ") + e.what());
  }
  return 0;
}
