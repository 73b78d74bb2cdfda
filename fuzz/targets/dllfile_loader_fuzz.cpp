// The ".DLLFile" loader, and the evaluation of whatever it loaded: the fuzzed
// bytes are the project's compiled file (no project files beside it, so it
// is never compiled).
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "loaded_network.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string project = fuzz::Scratch() + "/net";
  fuzz::WriteBytes(project + ".DLLFile", data, size);
  quenby::ResetLoadedNetwork();
  fuzz::EvaluateBoth(project);
  return 0;
}
