// The exact path of the exponential: e^x in binary fixed point with W words
// of 64 bits after the point, and an error bound that says whether the
// rounding to a double is decided; if not, again with one word more. e^x is
// never a midpoint between two doubles (it is transcendental for a double
// x != 0), so a precision that decides always exists.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "exponential.h"

namespace quenby {
namespace exp_detail {

namespace {

constexpr int kLeastWords = 2;
constexpr int kMostWords = 10;
constexpr int kLimbs = kMostWords + 1;  // one word before the point

// Limbs[0] is the least significant word; limb W (of W fraction words)
// holds the integer part. Arithmetic is modulo 2^(64 (W + 1)).
using Limbs = std::array<uint64_t, kLimbs>;
using u128 = unsigned __int128;

void Add(Limbs& a, const Limbs& b, int n) {
  uint64_t carry = 0;
  for (int i = 0; i < n; ++i) {
    const u128 s = u128{a[i]} + b[i] + carry;
    a[i] = static_cast<uint64_t>(s);
    carry = static_cast<uint64_t>(s >> 64);
  }
}

void Sub(Limbs& a, const Limbs& b, int n) {
  uint64_t borrow = 0;
  for (int i = 0; i < n; ++i) {
    const u128 d = u128{a[i]} - b[i] - borrow;
    a[i] = static_cast<uint64_t>(d);
    borrow = static_cast<uint64_t>(d >> 64) & 1;
  }
}

void Negate(Limbs& a, int n) {
  Limbs zero{};
  Sub(zero, a, n);
  a = zero;
}

void MulSmall(Limbs& a, uint64_t m, int n) {
  uint64_t carry = 0;
  for (int i = 0; i < n; ++i) {
    const u128 p = u128{a[i]} * m + carry;
    a[i] = static_cast<uint64_t>(p);
    carry = static_cast<uint64_t>(p >> 64);
  }
}

// Truncated: the error is below one unit of the last word.
void DivSmall(Limbs& a, uint64_t d, int n) {
  uint64_t rest = 0;
  for (int i = n - 1; i >= 0; --i) {
    const u128 cur = (u128{rest} << 64) | a[i];
    a[i] = static_cast<uint64_t>(cur / d);
    rest = static_cast<uint64_t>(cur % d);
  }
}

// out = a * b with W fraction words, truncated (error below one unit).
void Mul(const Limbs& a, const Limbs& b, Limbs& out, int W) {
  const int n = W + 1;
  std::array<uint64_t, 2 * kLimbs> p{};
  for (int i = 0; i < n; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < n; ++j) {
      const u128 t = u128{a[i]} * b[j] + p[i + j] + carry;
      p[i + j] = static_cast<uint64_t>(t);
      carry = static_cast<uint64_t>(t >> 64);
    }
    p[i + n] = carry;
  }
  out = Limbs{};
  for (int i = 0; i < n; ++i) out[i] = p[i + W];
}

void ShiftRight(Limbs& a, int s, int n) {
  const int words = s / 64, bits = s % 64;
  for (int i = 0; i < n; ++i) {
    const uint64_t lo = i + words < n ? a[i + words] : 0;
    const uint64_t hi = i + words + 1 < n ? a[i + words + 1] : 0;
    a[i] = bits == 0 ? lo : (lo >> bits) | (hi << (64 - bits));
  }
}

bool IsZero(const Limbs& a, int n) {
  for (int i = 0; i < n; ++i)
    if (a[i] != 0) return false;
  return true;
}

int Bit(const Limbs& a, int64_t pos, int n) {
  if (pos < 0 || pos >= 64 * int64_t{n}) return 0;
  return static_cast<int>((a[static_cast<size_t>(pos / 64)] >> (pos % 64)) & 1);
}

int64_t BitLength(const Limbs& a, int n) {
  for (int i = n - 1; i >= 0; --i)
    if (a[i] != 0) return 64 * int64_t{i} + 64 - __builtin_clzll(a[i]);
  return 0;
}

// ln 2 with kMostWords + 1 fraction words, truncated: the sum of
// 2^-i / i for i = 1, 2, ..., each term truncated. Below the true value by
// less than 700 units of its last word, so the first W words fall short of
// ln 2 by less than 2 units of their last word.
struct Ln2 {
  static constexpr int kWords = kMostWords + 1;
  std::array<uint64_t, kWords + 1> value{};
  Ln2() {
    const int F = 64 * kWords;
    std::array<uint64_t, kWords + 1> term{};
    for (int i = 1; i <= F; ++i) {
      term.fill(0);
      term[static_cast<size_t>((F - i) / 64)] = uint64_t{1} << ((F - i) % 64);
      uint64_t rest = 0;
      for (int w = kWords; w >= 0; --w) {
        const u128 cur = (u128{rest} << 64) | term[static_cast<size_t>(w)];
        term[static_cast<size_t>(w)] = static_cast<uint64_t>(cur / static_cast<uint64_t>(i));
        rest = static_cast<uint64_t>(cur % static_cast<uint64_t>(i));
      }
      uint64_t carry = 0;
      for (int w = 0; w <= kWords; ++w) {
        const u128 s = u128{value[static_cast<size_t>(w)]} + term[static_cast<size_t>(w)] + carry;
        value[static_cast<size_t>(w)] = static_cast<uint64_t>(s);
        carry = static_cast<uint64_t>(s >> 64);
      }
    }
  }
  // ln 2 with W fraction words (its last words).
  Limbs Truncated(int W) const {
    Limbs out{};
    for (int i = 0; i <= W; ++i) out[static_cast<size_t>(i)] = value[static_cast<size_t>(kWords - W + i)];
    return out;
  }
};

const Ln2& Ln2Value() {
  static const Ln2 ln2;  // thread-safe: the kernels' workers may get here
  return ln2;
}

constexpr int kHalvings = 12;   // e^r = (e^(r / 2^12))^(2^12)
constexpr int kGuardBits = 32;  // the error bound below is under 2^22 units

double Pow2(int e) {  // -1022 <= e <= 1023
  const uint64_t bits = static_cast<uint64_t>(e + 1023) << 52;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// One attempt with W fraction words (F = 64 W bits): true and the result in
// y when the bound decides the rounding.
//
// Error, in units u = 2^-F: ln 2 is short by under 2 u, so r = x - k ln 2
// (|k| <= 1077, x exact since F >= 128 and |x| >= 2^-54) is off by under
// 2^12 u; r / 2^12 adds one unit of truncation: under 2 u. The series
// (terms to below one unit, each truncated twice) adds under 3 u per term,
// so e^(r / 2^12) is within 2^8 u for up to 60 terms. Each squaring doubles
// the relative error and adds a unit; values stay in [0.70, 1.42], so after
// 12 squarings the error of e^r is below 2^12 (2^8.6 + 2) u < 2^21 u.
bool Attempt(double x, int W, double& y) {
  const int n = W + 1;
  const int F = 64 * W;
  const double kd = (x * 0x1.71547652b82fep0 + 0x1.8p52) - 0x1.8p52;
  const auto k = static_cast<int64_t>(kd);

  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (biased ? uint64_t{1} << 52 : 0);
  const int shift = (biased ? biased : 1) - 1075 + F;  // x = mantissa 2^(shift - F)
  Limbs r{};
  if (shift >= 0) {
    r[static_cast<size_t>(shift / 64)] = mantissa << (shift % 64);
    if (shift % 64 > 11 && shift / 64 + 1 < n) r[static_cast<size_t>(shift / 64 + 1)] = mantissa >> (64 - shift % 64);
  }
  if (x < 0) Negate(r, n);
  Limbs kln2 = Ln2Value().Truncated(W);
  MulSmall(kln2, static_cast<uint64_t>(k < 0 ? -k : k), n);
  if (k >= 0)
    Sub(r, kln2, n);
  else
    Add(r, kln2, n);
  const bool negative = (r[static_cast<size_t>(W)] >> 63) != 0;
  if (negative) Negate(r, n);
  ShiftRight(r, kHalvings, n);

  Limbs sum{};
  sum[static_cast<size_t>(W)] = 1;
  Limbs term = sum;
  for (uint64_t i = 1; i < 200; ++i) {
    Limbs next;
    Mul(term, r, next, W);
    DivSmall(next, i, n);
    if (IsZero(next, n)) break;
    term = next;
    if (negative && (i & 1))
      Sub(sum, term, n);
    else
      Add(sum, term, n);
  }
  for (int i = 0; i < kHalvings; ++i) {
    Limbs sq;
    Mul(sum, sum, sq, W);
    sum = sq;
  }

  // e^x = sum * 2^(k - F) (sum in units u). The result's granule is 2^pos
  // units: 53 significant bits, or 2^-1074 for subnormals.
  const int64_t length = BitLength(sum, n);
  const int64_t pos = std::max<int64_t>(length - 53, int64_t{F} - 1074 - k);
  const int half = Bit(sum, pos - 1, n);
  bool run = true;  // bits pos-2 .. guard all the complement of the half bit
  for (int64_t b = pos - 2; b >= kGuardBits && run; --b) run = Bit(sum, b, n) != half;
  if (run) return false;
  uint64_t mant = 0;
  for (int64_t b = pos + 52; b >= pos; --b) mant = (mant << 1) | static_cast<uint64_t>(Bit(sum, b, n));
  mant += static_cast<uint64_t>(half);
  const int64_t e = pos + k - F;  // -1074 <= e <= 971
  y = e < -1022 ? (static_cast<double>(mant) * Pow2(static_cast<int>(e + 64))) * 0x1p-64
                : static_cast<double>(mant) * Pow2(static_cast<int>(e));
  return true;
}

}  // namespace

double ExpExact(double x) {
  if (std::isnan(x)) return x + x;
  if (x > 710.0) return std::numeric_limits<double>::infinity();
  if (x < -746.0) return 0.0;
  // Below 2^-54 in magnitude e^x lies within a quarter ulp of 1 and
  // rounds to 1, as 1 + x does.
  if (std::fabs(x) < 0x1p-54) return 1.0 + x;
  double y = 0.0;
  for (int W = kLeastWords; W <= kMostWords; ++W)
    if (Attempt(x, W, y)) return y;
  return y;  // not reached: the widest precision decides every double
}

}  // namespace exp_detail
}  // namespace quenby
