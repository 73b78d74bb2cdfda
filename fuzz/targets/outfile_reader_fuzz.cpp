// The adapter's free-format reading of "outfile.dat": any text gives 400
// values or an error that names a line within the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "outfile_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  double values[pellmar::kModelOutputs];
  for (double& v : values) v = -7.0;
  pellmar::OutFileRead read = pellmar::ReadOutFileValues(text, values, pellmar::kModelOutputs);
  if (read.error != pellmar::ExchangeError::None) {
    long lines = 1;
    for (char c : text) lines += c == '\n';
    if (read.line < 0 || read.line > lines + 1) fuzz::Finding("error at line " + std::to_string(read.line));
  }
  return 0;
}
