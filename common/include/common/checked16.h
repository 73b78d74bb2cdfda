#pragma once
// Counts, column numbers and loop limits are 16-bit signed: a value beyond
// -32768..32767 is an overflow failure, never a wrap-around.
#include <cstdint>
#include <string_view>

#include "common/failure.h"

namespace common {

inline constexpr int32_t kInt16Max = 32767;
inline constexpr int32_t kInt16Min = -32768;

// The one check and its wording; a reader that knows its file and line
// reports the same text at that place.
inline bool Fits16(int64_t v) { return v <= kInt16Max && v >= kInt16Min; }
inline std::string Overflow16Text(int64_t v, std::string_view what) {
  std::string text(what);
  text += " = " + std::to_string(v) + " does not fit a 16-bit count (largest 32767)";
  return text;
}

// Narrows v to 16 bits or throws Overflow naming what was computed.
inline int16_t To16(int64_t v, std::string_view what) {
  if (!Fits16(v)) Fail(FailureClass::Overflow, Overflow16Text(v, what));
  return static_cast<int16_t>(v);
}

inline int16_t Add16(int32_t a, int32_t b, std::string_view what) { return To16(int64_t{a} + b, what); }
inline int16_t Mul16(int32_t a, int32_t b, std::string_view what) { return To16(int64_t{a} * b, what); }

}  // namespace common
