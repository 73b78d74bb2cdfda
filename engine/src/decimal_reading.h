#pragma once
// Decimal numbers read exactly and fast. A decimal whose digits make an
// integer m of at most 2^53, scaled by 10^s with s within -22..22, is m times
// or divided by 10^|s|: both are exact doubles and the one operation rounds
// once, to the same nearest double any exact conversion gives. Everything
// else is left to the general number reader.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUENBY_NUMBER_LINES 1
#else
#define QUENBY_NUMBER_LINES 0
#endif

namespace quenby {

// Field separators of the compiled file's text.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// A field of the form [sign] digits [. digits] [E [sign] digits] ending at a
// blank, a comma, a line end or end, as above: its value, and at moved past
// it. Returns false, having moved nothing, for any other text.
bool ReadShortDecimal(const char*& at, const char* end, double& value);

namespace decimal {

// Powers of ten held exactly by a double.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Eight digit values (0..9, one per byte, the first digit in the lowest
// byte) as the number they spell.
inline uint64_t CombineEightDigits(uint64_t v) {
  v = v * 10 + (v >> 8);  // pairs of digits
  return ((v & 0x000000FF000000FFu) * (100 + (uint64_t{1000000} << 32)) +
          ((v >> 16) & 0x000000FF000000FFu) * (1 + (uint64_t{10000} << 32))) >>
         32;
}

// Bytes are taken lowest address first, as on every little-endian machine.
inline uint64_t LoadEight(const char* p) {
  static_assert(std::endian::native == std::endian::little);
  uint64_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace decimal

#if QUENBY_NUMBER_LINES
// How many bytes from a line ReadNumberLine may read.
inline constexpr size_t kNumberLineReach = 64;

namespace decimal {

// The value of k (0..16) ASCII digits at q, whose 16 bytes are readable.
[[gnu::always_inline]] inline uint64_t UpToSixteenDigits(const char* q, int k) {
  constexpr uint64_t kZeros = 0x3030303030303030u;
  if (k <= 8) {
    // Shifted up so that the k digits fill the top bytes; the bytes shifted
    // in are zero digits in front of them.
    return k == 0 ? 0 : CombineEightDigits((LoadEight(q) - kZeros) << (8 * (8 - k)));
  }
  const uint64_t high = CombineEightDigits((LoadEight(q) - kZeros) << (8 * (16 - k)));
  return high * 100000000u + CombineEightDigits(LoadEight(q + k - 8) - kZeros);
}

// 10^0 .. 10^16 as integers.
inline constexpr uint64_t kPowersOfTen[] = {1u,
                                            10u,
                                            100u,
                                            1000u,
                                            10000u,
                                            100000u,
                                            1000000u,
                                            10000000u,
                                            100000000u,
                                            1000000000u,
                                            10000000000u,
                                            100000000000u,
                                            1000000000000u,
                                            10000000000000u,
                                            100000000000000u,
                                            1000000000000000u,
                                            10000000000000000u};

}  // namespace decimal

// A line holding one number, read without a branch that depends on its
// digits: at most one blank, [sign] digits [. digits] of at most 19 digits
// whose integer is at most 2^53, blanks, and the line end (CR LF or LF), all
// within 32 bytes. The next line's start follows from the same load of the
// line, not from a walk over its characters. kNumberLineReach bytes from
// line must be readable. Returns the value and the line's length with its
// line end, or false for any other text, which the field-by-field reader
// then reads to the same value.
[[gnu::always_inline]] inline bool ReadNumberLine(const char* line, double& value, size_t& length) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + 16));
  auto bits = [&](__m128i x, __m128i y) {
    return static_cast<uint32_t>(_mm_movemask_epi8(x)) | static_cast<uint32_t>(_mm_movemask_epi8(y)) << 16;
  };
  auto equal = [&](char c) {
    const __m128i v = _mm_set1_epi8(c);
    return bits(_mm_cmpeq_epi8(a, v), _mm_cmpeq_epi8(b, v));
  };
  // (c - '0') < 10 as unsigned bytes, through a signed comparison.
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i flip = _mm_set1_epi8(static_cast<char>(-128));
  const __m128i ten = _mm_set1_epi8(static_cast<char>(10 - 128));
  const uint32_t digits = bits(_mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(a, zero), flip), ten),
                               _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(b, zero), flip), ten));
  const uint32_t blanks = equal(' ') | equal('\t');
  const uint32_t dots = equal('.');
  const uint32_t minus = equal('-');
  const uint32_t signs = minus | equal('+');
  const uint32_t feeds = equal('\n');
  const uint32_t returns = equal('\r');

  const int lead = static_cast<int>(blanks & 1);
  const int signLength = static_cast<int>((signs >> lead) & 1);
  const int start = lead + signLength;
  const int n = std::countr_one((digits | dots) >> start);  // the number's length
  const int end = start + n;
  const uint32_t dotsIn = (dots >> start) & ~(~uint32_t{0} << (n & 31));
  const int point = dotsIn != 0 ? std::countr_zero(dotsIn) : n;
  const int whole = point;
  const int fraction = n - point - (dotsIn != 0);
  const int feed = std::countr_zero(feeds);  // 32 if none
  // Between the number and the LF: blanks, and a CR just before the LF.
  const uint32_t gap = feed < 32 ? ((uint32_t{1} << feed) - 1) & (~uint32_t{0} << (end & 31)) : 0;
  const uint32_t allowed = blanks | (returns & (uint32_t{1} << ((feed - 1) & 31)));
  const bool common = feed < 32 && end <= feed && (gap & ~allowed) == 0 && (dotsIn & (dotsIn - 1)) == 0 &&
                      whole + fraction > 0 && whole <= 16 && fraction <= 16 && whole + fraction <= 19;
  if (!common) return false;
  const char* p = line + start;
  const uint64_t m = decimal::UpToSixteenDigits(p, whole) * decimal::kPowersOfTen[fraction] +
                     decimal::UpToSixteenDigits(p + point + 1, fraction);
  if (m > (uint64_t{1} << 53)) return false;
  // One rounding, as in ScaleExactly; the sign is set apart so that "-0" is -0.
  const uint64_t negative = (minus >> lead) & 1;
  const double magnitude = static_cast<double>(m) / decimal::kExactPowersOfTen[fraction];
  value = std::bit_cast<double>(std::bit_cast<uint64_t>(magnitude) | negative << 63);
  length = static_cast<size_t>(feed) + 1;
  return true;
}
#endif

}  // namespace quenby
