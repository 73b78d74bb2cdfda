#include "inputvars_writer.h"

#include <charconv>
#include <cmath>

namespace pellmar {

namespace {
constexpr size_t kWidth = 15;
}

std::string FixedField(double value) {
  std::string text;
  if (std::isnan(value)) {
    text = "NaN";
  } else if (std::isinf(value)) {
    text = value < 0 ? "-Infinity" : "Infinity";
  } else {
    // Wide enough for the largest double in fixed form; to_chars rounds the
    // exact binary value correctly and ignores the locale.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    text.assign(buffer, result.ptr);
  }
  if (text.size() > kWidth) return std::string(kWidth, '*');
  return std::string(kWidth - text.size(), ' ') + text;
}

std::string InputVarsText(const double* in) {
  std::string text;
  text.reserve(kModelInputs * (kWidth + 2));
  for (int k = 1; k <= kModelInputs; ++k) {
    text += FixedField(in[k]);
    text += "\r\n";
  }
  return text;
}

}  // namespace pellmar
