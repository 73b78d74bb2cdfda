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

// n doubles from memory, any alignment. (By reference: see vector_lanes.h.)
template <int N>
struct Doubles {
  typedef double type __attribute__((vector_size(N * sizeof(double))));
};
template <class V>
[[gnu::always_inline]] inline void LoadDoubles(V& to, const double* from) {
  std::memcpy(&to, from, sizeof to);
}

// Th, Tl, Th's halves for each lane's j. Each entry is 32 bytes: the lanes
// load whole entries (or halves) and transpose them, a few loads and
// shuffles where inserting 4 doubles per lane one by one cost more than the
// arithmetic. Written with generic vector shuffles, not intrinsics, so that
// the kernels' templates built for any instruction set inline it (GCC will
// not inline a set's intrinsics into a function built without that set).
template <class T>
[[gnu::always_inline]] inline void TableEntries(const typename BitsOf<T>::type& j, T& th, T& tl, T& thh, T& thl) {
  constexpr int kLanes = sizeof(T) / sizeof(double);
  if constexpr (std::is_same_v<T, double>) {
    const double* e = kExp2Table + 4 * j;
    th = e[0];
    tl = e[1];
    thh = e[2];
    thl = e[3];
  } else if constexpr (kLanes == 2) {
    T lo[2], hi[2];
    for (int i = 0; i < 2; ++i) {
      LoadDoubles(lo[i], kExp2Table + 4 * j[i]);
      LoadDoubles(hi[i], kExp2Table + 4 * j[i] + 2);
    }
    th = __builtin_shufflevector(lo[0], lo[1], 0, 2);
    tl = __builtin_shufflevector(lo[0], lo[1], 1, 3);
    thh = __builtin_shufflevector(hi[0], hi[1], 0, 2);
    thl = __builtin_shufflevector(hi[0], hi[1], 1, 3);
  } else if constexpr (kLanes == 4) {
    typename Doubles<2>::type lo[4], hi[4];
    for (int i = 0; i < 4; ++i) {
      LoadDoubles(lo[i], kExp2Table + 4 * j[i]);
      LoadDoubles(hi[i], kExp2Table + 4 * j[i] + 2);
    }
    // a = (Th, Tl of lane 0, of lane 2), b = lanes 1 and 3, so that the
    // in-half unpacks give lanes 0 1 2 3 in order; c and d Th's halves.
    const T a = __builtin_shufflevector(lo[0], lo[2], 0, 1, 2, 3);
    const T b = __builtin_shufflevector(lo[1], lo[3], 0, 1, 2, 3);
    const T c = __builtin_shufflevector(hi[0], hi[2], 0, 1, 2, 3);
    const T d = __builtin_shufflevector(hi[1], hi[3], 0, 1, 2, 3);
    th = __builtin_shufflevector(a, b, 0, 4, 2, 6);
    tl = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    thh = __builtin_shufflevector(c, d, 0, 4, 2, 6);
    thl = __builtin_shufflevector(c, d, 1, 5, 3, 7);
  } else if constexpr (kLanes == 8) {
    typename Doubles<4>::type r[8];
    for (int i = 0; i < 8; ++i) LoadDoubles(r[i], kExp2Table + 4 * j[i]);
    // Whole entries of lanes (0, 2), (1, 3), (4, 6), (5, 7) per vector; the
    // unpacks interleave pairs of lanes, the 128-bit moves put them in order.
    const T z0 = __builtin_shufflevector(r[0], r[2], 0, 1, 2, 3, 4, 5, 6, 7);
    const T z1 = __builtin_shufflevector(r[1], r[3], 0, 1, 2, 3, 4, 5, 6, 7);
    const T z2 = __builtin_shufflevector(r[4], r[6], 0, 1, 2, 3, 4, 5, 6, 7);
    const T z3 = __builtin_shufflevector(r[5], r[7], 0, 1, 2, 3, 4, 5, 6, 7);
    const T t0 = __builtin_shufflevector(z0, z1, 0, 8, 2, 10, 4, 12, 6, 14);
    const T t1 = __builtin_shufflevector(z0, z1, 1, 9, 3, 11, 5, 13, 7, 15);
    const T t2 = __builtin_shufflevector(z2, z3, 0, 8, 2, 10, 4, 12, 6, 14);
    const T t3 = __builtin_shufflevector(z2, z3, 1, 9, 3, 11, 5, 13, 7, 15);
    th = __builtin_shufflevector(t0, t2, 0, 1, 4, 5, 8, 9, 12, 13);
    thh = __builtin_shufflevector(t0, t2, 2, 3, 6, 7, 10, 11, 14, 15);
    tl = __builtin_shufflevector(t1, t3, 0, 1, 4, 5, 8, 9, 12, 13);
    thl = __builtin_shufflevector(t1, t3, 2, 3, 6, 7, 10, 11, 14, 15);
  } else {
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
