// The general number form: writing any finite double and reading the text
// back gives the same value to 15 significant digits; and no text makes the
// number parsers fail other than by saying no.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "common/free_format.h"
#include "common/number_text.h"
#include "fuzz_support.h"

namespace {

std::string Digits15(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", v);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= sizeof(double)) {
    double v = 0;
    std::memcpy(&v, data, sizeof v);
    if (std::isfinite(v)) {
      const std::string text = common::GeneralNumber(v);
      double back = 0;
      bool overflow = false;
      if (!common::ParseNumber(text, back, &overflow)) fuzz::Finding("\"" + text + "\" does not read back");
      // -0 is written "0"; the few doubles whose 15 digits would round past
      // the largest double are written as the largest 15-digit value.
      const bool largest = std::fabs(v) > 1.79769313486231e308 && std::fabs(back) == 1.79769313486231e308;
      if (Digits15(back) != Digits15(v) && !(v == 0 && back == 0) && !largest)
        fuzz::Finding(Digits15(v) + " written \"" + text + "\" reads back as " + Digits15(back));
      std::string item;
      common::AppendNumberItem(item, v);
      if (item.size() < 2 || item.back() != ' ' || (item[0] != ' ' && item[0] != '-'))
        fuzz::Finding("item form \"" + item + "\"");
      int64_t rounded = 0;
      common::RoundHalfEven(v, rounded);
    }
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  double out = 0;
  common::ParseNumber(text, out);
  common::ParseFreeValue(text, out);
  return 0;
}
