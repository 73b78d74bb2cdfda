#pragma once
// The fast path of the correctly rounded exponential, written once for a
// double and for vectors of doubles: the scalar function and the kernels'
// lanes run the same operations in the same order, so a lane that decides
// gives the scalar function's bits. Only IEEE addition, subtraction,
// multiplication and comparison run here (never fused: the engine builds
// with -ffp-contract=off), plus integer operations on the bits of k.
//
// e^x = 2^m * 2^(j/128) * e^r, with k = 128 m + j the integer nearest
// x * 128 / ln 2 and r = x - k ln2 / 128, |r| <= 0.002708. 2^(j/128) comes
// from a table of double-double values (Th + Tl), r is carried as a
// double-double (rh + rl), and the value v = 2^(j/128) e^r in [0.99, 2.01)
// is formed as h2 + l2 with |error| below 2^-77.4 (bound in exponential.cpp).
// The rounding is decided when h2 + (l2 - E) and h2 + (l2 + E) round to the
// same double, E = 2^-74: then that double is v correctly rounded, since
// rounding is monotonic and the true v lies between them. Otherwise the
// exact path decides (about one argument in a million).
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quenby {
namespace exp_detail {

inline constexpr int kTableBits = 7;
inline constexpr int kTableSize = 1 << kTableBits;

// Per j = 0..127: Th, Tl (2^(j/128) = Th + Tl to 2^-106), and Th split into
// two halves of at most 26 significant bits (Veltkamp), for an exact product.
extern const double kExp2Table[4 * kTableSize];

inline constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer held in the low bits
inline constexpr uint64_t kShiftBits = 0x4338000000000000;
inline constexpr double kInvLn2N = 0x1.71547652b82fep+7;  // 128 / ln 2
// ln 2 / 128 = L1 + L2 + L3 (to 2^-135): L1 and L2 have at most 35 significant
// bits, so k * L1 and k * L2 are exact for |k| < 2^18.
inline constexpr double kLn2N1 = 0x1.62e42fefc0000p-8;
inline constexpr double kLn2N2 = -0x1.c610ca8700000p-44;
inline constexpr double kLn2N3 = 0x1.e3b39803f2f6bp-79;
inline constexpr double kSplitter = 0x1.0000002p+27;  // 2^27 + 1
// 1/3! .. 1/7!, rounded: e^r - 1 - r - r^2/2 = r^3 (C3 + r (C4 + ...)).
inline constexpr double kC3 = 0x1.5555555555555p-3;
inline constexpr double kC4 = 0x1.5555555555555p-5;
inline constexpr double kC5 = 0x1.1111111111111p-7;
inline constexpr double kC6 = 0x1.6c16c16c16c17p-10;
inline constexpr double kC7 = 0x1.a01a01a01a01ap-13;
// Twice and more the bound on |h2 + l2 - v|.
inline constexpr double kFastErrorBound = 0x1p-74;

template <class T>
struct BitsOf {
  typedef uint64_t type;
};
template <class T>
  requires(!std::is_same_v<T, double>)
struct BitsOf<T> {
  typedef uint64_t type __attribute__((vector_size(sizeof(T))));
};

template <class T>
[[gnu::always_inline]] inline void ToBits(const T& v, typename BitsOf<T>::type& u) {
  std::memcpy(&u, &v, sizeof u);
}
template <class T>
[[gnu::always_inline]] inline void FromBits(const typename BitsOf<T>::type& u, T& v) {
  std::memcpy(&v, &u, sizeof v);
}

// Th, Tl, Th's halves for each lane's j.
template <class T>
[[gnu::always_inline]] inline void TableEntries(const typename BitsOf<T>::type& j, T& th, T& tl, T& thh, T& thl) {
  if constexpr (std::is_same_v<T, double>) {
    const double* e = kExp2Table + 4 * j;
    th = e[0];
    tl = e[1];
    thh = e[2];
    thl = e[3];
  } else {
    constexpr int kLanes = sizeof(T) / sizeof(double);
    for (int i = 0; i < kLanes; ++i) {
      const double* e = kExp2Table + 4 * j[i];
      th[i] = e[0];
      tl[i] = e[1];
      thh[i] = e[2];
      thl[i] = e[3];
    }
  }
}

// For -745.2 <= x <= 709.8 (any x in any lane is harmless): v = h2 + l2 with
// |l2| <= ulp(h2) / 2, and kd, whose bits hold k = 128 m + j as
// kShiftBits + k.
template <class T>
[[gnu::always_inline]] inline void Reduce(const T& x, T& h2, T& l2, T& kd) {
  const T z = x * kInvLn2N;
  kd = z + kShift;
  const T k = kd - kShift;
  // r = x - k ln2/128 as rh + rl: a is exact (x and k L1 lie on a common
  // grid of 2^-61 and |a| < 2^-8), k L2 is exact, TwoSum keeps the rest.
  const T a = x - k * kLn2N1;
  const T t = k * kLn2N2;
  const T rh = a - t;
  const T bv = rh - a;
  const T e1 = (a - (rh - bv)) + ((T{} - t) - bv);
  const T rl = e1 - k * kLn2N3;
  // rh^2 = r2h + r2l exactly (Dekker), halved exactly.
  const T c = rh * kSplitter;
  const T rhh = c - (c - rh);
  const T rhl = rh - rhh;
  const T r2h = rh * rh;
  const T r2l = ((rhh * rhh - r2h) + (rhh * rhl + rhh * rhl)) + rhl * rhl;
  const T s2h = r2h * 0.5;
  const T s2l = r2l * 0.5;
  // rh + rh^2/2 = yh + yl exactly (TwoSum).
  const T yh = rh + s2h;
  const T yv = yh - rh;
  const T yl = (rh - (yh - yv)) + (s2h - yv);
  // The rest of e^(rh + rl) - 1 - yh, below 2^-28.
  T p = T{} + kC7;
  p = p * rh + kC6;
  p = p * rh + kC5;
  p = p * rh + kC4;
  p = p * rh + kC3;
  const T r3 = (r2h * rh) * p;
  const T q = (((yh * rl + rl) + s2l) + yl) + r3;
  // v = (Th + Tl)(1 + yh + q): Th yh exact (Dekker, Th split in the table).
  typename BitsOf<T>::type j;
  ToBits(kd, j);
  j &= static_cast<uint64_t>(kTableSize - 1);
  T th, tl, thh, thl;
  TableEntries<T>(j, th, tl, thh, thl);
  const T cy = yh * kSplitter;
  const T yhh = cy - (cy - yh);
  const T yhl = yh - yhh;
  const T ph = th * yh;
  const T pl = ((thh * yhh - ph) + thh * yhl + thl * yhh) + thl * yhl;
  const T h = th + ph;  // |th| >= 1 > |ph|: Fast2Sum
  const T l = ph - (h - th);
  const T low = l + (pl + (th * q + (tl + tl * (yh + q))));
  h2 = h + low;  // |h| > |low|: Fast2Sum
  l2 = low - (h2 - h);
}

// 2^(m + shift) for the m held in kd's bits, valid while m + shift lies in
// -1022..1023. (Results by reference: see vector_lanes.h.)
template <class T>
[[gnu::always_inline]] inline void ScaleOf(const T& kd, int shift, T& scale) {
  typename BitsOf<T>::type m;
  ToBits(kd, m);
  m = (m >> kTableBits) - (kShiftBits >> kTableBits);
  FromBits<T>((m + static_cast<uint64_t>(1023 + shift)) << 52, scale);
}

}  // namespace exp_detail
}  // namespace quenby
