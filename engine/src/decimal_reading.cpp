#include "decimal_reading.h"

namespace quenby {

namespace {

using decimal::CombineEightDigits;
using decimal::kExactPowersOfTen;
using decimal::LoadEight;

// Eight ASCII digits at p as their value; false if any of them is no digit.
bool EightDigits(const char* p, uint64_t& value) {
  const uint64_t v = LoadEight(p);
  const uint64_t high = v & 0xF0F0F0F0F0F0F0F0u;
  const uint64_t carried = ((v + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u) >> 4;
  if ((high | carried) != 0x3333333333333333u) return false;
  value = CombineEightDigits(v - 0x3030303030303030u);
  return true;
}

// m * 10^scale rounded once, when m is at most 2^53 and scale within
// -22..22 (both factors exact); false otherwise.
bool ScaleExactly(uint64_t m, int scale, bool negative, double& value) {
  constexpr uint64_t kExactIntegers = uint64_t{1} << 53;
  double v = 0.0;
  if (m != 0) {
    if (m > kExactIntegers || scale < -22 || scale > 22) return false;
    v = scale < 0 ? static_cast<double>(m) / kExactPowersOfTen[-scale]
                  : static_cast<double>(m) * kExactPowersOfTen[scale];
  }
  value = negative ? -v : v;
  return true;
}

}  // namespace

bool ReadShortDecimal(const char*& at, const char* end, double& value) {
  const char* p = at;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  uint64_t m = 0;
  int digits = 0;  // significant digits in m (leading zeros not counted)
  int scale = 0;   // the value is m * 10^scale
  bool anyDigit = false;
  // Appends a run of digits to m; a fraction's digits also lower the scale.
  auto appendDigits = [&](int perDigit) {
    if (m == 0) {
      for (; p < end && *p == '0'; ++p) {
        anyDigit = true;
        scale += perDigit;
        if (scale < -1000) return false;  // left to the general path
      }
    }
    for (;;) {
      uint64_t eight = 0;
      if (digits <= 11 && end - p >= 8 && EightDigits(p, eight)) {
        m = m * 100000000u + eight;
        digits += 8;
        scale += 8 * perDigit;
        p += 8;
        anyDigit = true;
      } else if (p < end && *p >= '0' && *p <= '9') {
        if (++digits > 19) return false;
        m = m * 10 + static_cast<uint64_t>(*p - '0');
        scale += perDigit;
        ++p;
        anyDigit = true;
      } else {
        return true;
      }
    }
  };
  if (!appendDigits(0)) return false;
  if (p < end && *p == '.') {
    ++p;
    if (!appendDigits(-1)) return false;
  }
  if (!anyDigit) return false;
  if (p < end && (*p == 'E' || *p == 'e')) {
    ++p;
    const bool down = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    if (p >= end || *p < '0' || *p > '9') return false;
    int e = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
      if (e > 999) return false;
      e = e * 10 + (*p - '0');
    }
    scale += down ? -e : e;
  }
  if (p < end && !IsBlank(*p) && *p != ',' && !IsLineEnd(*p)) return false;
  if (!ScaleExactly(m, scale, negative, value)) return false;
  at = p;
  return true;
}

}  // namespace quenby
