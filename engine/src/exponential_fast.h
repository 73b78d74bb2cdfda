#pragma once
// The fast path of the correctly rounded exponential, written once for a
// double and for vectors of doubles: the scalar function and the kernels'
// lanes run the same operations in the same order, so a lane that decides
// gives the scalar function's bits. Only IEEE addition, subtraction,
// multiplication and comparison run here (never fused: the engine builds
// with -ffp-contract=off), plus integer operations on the bits of k.
//
// e^x = 2^m * 2^(j/1024) * e^r, with k = 1024 m + j the integer nearest
// x * 1024 / ln 2 and r = x - k ln2 / 1024, |r| <= 2^-11.52. 2^(j/1024)
// comes from a table as Th + Tl, Th of at most 27 significant bits. r is
// carried as rhh + rl: rhh on a grid of 2^-37 (at most 26 bits, so Th rhh
// is exact), |rl| < 2^-37.9. With r that small, e^r - 1 - r is formed in
// plain double from a short polynomial, and the value
//   v = 2^(j/1024) e^r = Th + Th rhh + [Th q + Tl (1 + rhh + q)],
//   q ~ rl + e^r - 1 - r,
// in [0.9996, 2.0007), is carried as h + low (h + l = Th + Th rhh exactly,
// the bracket and l summed into low) with |error| below 2^-72.9 (bound in
// exponential.cpp). The rounding is decided when h + (low - E) and
// h + (low + E) round to the same double, E = 2^-72: then that double is v
// correctly rounded, since rounding is monotonic and the true v lies
// between them (the bound covers the roundings of low +- E too).
// Otherwise the exact path decides (about two arguments in a million).
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quenby {
namespace exp_detail {

inline constexpr int kTableBits = 10;
inline constexpr int kTableSize = 1 << kTableBits;

// Per j = 0..1023: Th (2^(j/1024) to the nearest multiple of 2^-26) and Tl
// (the rest, to the nearest double: Th + Tl within 2^-81).
extern const double kExp2Table[2 * kTableSize];

inline constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer held in the low bits
inline constexpr uint64_t kShiftBits = 0x4338000000000000;
inline constexpr double kInvLn2N = 0x1.71547652b82fep+10;  // 1024 / ln 2
// ln 2 / 1024 = L1 + L2 + L3 (to 2^-130): L1 and L2 have at most 32
// significant bits, so k * L1 and k * L2 are exact for |k| < 2^21.
inline constexpr double kLn2N1 = 0x1.62e42ff000000p-11;
inline constexpr double kLn2N2 = -0x1.718432a200000p-45;
inline constexpr double kLn2N3 = 0x1.3c7673007e5edp-79;
// Adding it rounds a number below 2^13 to a multiple of 2^-37.
inline constexpr double kGridShift = 0x1.8p15;
// 1/3! .. 1/5!, rounded: e^r - 1 - r = r^2 (1/2 + r (C3 + r (C4 + r C5))).
inline constexpr double kC3 = 0x1.5555555555555p-3;
inline constexpr double kC4 = 0x1.5555555555555p-5;
inline constexpr double kC5 = 0x1.1111111111111p-7;
// Above the bound on |h + low - v| plus the roundings of low +- E.
inline constexpr double kFastErrorBound = 0x1p-72;

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

// Th and Tl for each lane's j. Each entry is 16 bytes: the lanes load
// whole entries and transpose them, a few loads and shuffles where inserting
// the doubles one by one cost more than the arithmetic. Written with generic
// vector shuffles, not intrinsics, so that the kernels' templates built for
// any instruction set inline it (GCC will not inline a set's intrinsics into
// a function built without that set).
template <class T>
[[gnu::always_inline]] inline void TableEntries(const typename BitsOf<T>::type& j, T& th, T& tl) {
  constexpr int kLanes = sizeof(T) / sizeof(double);
  if constexpr (std::is_same_v<T, double>) {
    const double* e = kExp2Table + 2 * j;
    th = e[0];
    tl = e[1];
  } else if constexpr (kLanes == 2) {
    T e[2];
    for (int i = 0; i < 2; ++i) LoadDoubles(e[i], kExp2Table + 2 * j[i]);
    th = __builtin_shufflevector(e[0], e[1], 0, 2);
    tl = __builtin_shufflevector(e[0], e[1], 1, 3);
  } else if constexpr (kLanes == 4) {
    typename Doubles<2>::type e[4];
    for (int i = 0; i < 4; ++i) LoadDoubles(e[i], kExp2Table + 2 * j[i]);
    // a = entries of lanes 0 and 2, b of lanes 1 and 3: the in-half unpacks
    // give lanes 0 1 2 3 in order.
    const T a = __builtin_shufflevector(e[0], e[2], 0, 1, 2, 3);
    const T b = __builtin_shufflevector(e[1], e[3], 0, 1, 2, 3);
    th = __builtin_shufflevector(a, b, 0, 4, 2, 6);
    tl = __builtin_shufflevector(a, b, 1, 5, 3, 7);
  } else if constexpr (kLanes == 8) {
    typename Doubles<2>::type e[8];
    for (int i = 0; i < 8; ++i) LoadDoubles(e[i], kExp2Table + 2 * j[i]);
    // Entries of the even lanes in one vector, of the odd ones in the other,
    // so that the in-quarter unpacks give lanes 0..7 in order.
    typedef typename Doubles<4>::type Q;
    const Q c0 = __builtin_shufflevector(e[0], e[2], 0, 1, 2, 3);
    const Q c1 = __builtin_shufflevector(e[1], e[3], 0, 1, 2, 3);
    const Q c2 = __builtin_shufflevector(e[4], e[6], 0, 1, 2, 3);
    const Q c3 = __builtin_shufflevector(e[5], e[7], 0, 1, 2, 3);
    const T even = __builtin_shufflevector(c0, c2, 0, 1, 2, 3, 4, 5, 6, 7);
    const T odd = __builtin_shufflevector(c1, c3, 0, 1, 2, 3, 4, 5, 6, 7);
    th = __builtin_shufflevector(even, odd, 0, 8, 2, 10, 4, 12, 6, 14);
    tl = __builtin_shufflevector(even, odd, 1, 9, 3, 11, 5, 13, 7, 15);
  } else {
    for (int i = 0; i < kLanes; ++i) {
      th[i] = kExp2Table[2 * j[i]];
      tl[i] = kExp2Table[2 * j[i] + 1];
    }
  }
}

// c in every lane. For 2-lane vectors the value is hidden from the
// optimizer behind an empty asm: GCC otherwise rebuilds each constant inside
// the loop (a load and a shuffle) when the 16 SSE registers run short, where
// a value it must keep is reloaded as an operand of the arithmetic (4.5 to
// 4.2 ns per value). (By reference: see vector_lanes.h.)
template <class T>
[[gnu::always_inline]] inline void Splat(double c, T& v) {
  v = T{} + c;
#if defined(__SSE2__)
  if constexpr (sizeof(T) == 16) asm("" : "+x"(v));
#endif
}

// For -745.2 <= x <= 709.8 (any x in any lane is harmless): v = h + low
// (|low| < 2^-22, h = Th + Th rhh rounded), and kd, whose bits hold
// k = 1024 m + j as kShiftBits + k.
template <class T>
[[gnu::always_inline]] inline void Reduce(const T& x, T& h, T& low, T& kd) {
  T inv, shift, l1, l2, l3, grid, c5, c4, c3, half;
  Splat(kInvLn2N, inv);
  Splat(kShift, shift);
  Splat(kLn2N1, l1);
  Splat(kLn2N2, l2);
  Splat(kLn2N3, l3);
  Splat(kGridShift, grid);
  Splat(kC5, c5);
  Splat(kC4, c4);
  Splat(kC3, c3);
  Splat(0.5, half);
  const T z = x * inv;
  kd = z + shift;
  const T k = kd - shift;
  // r = x - k ln2/1024 as rhh + rl: a is exact (x and k L1 lie on a common
  // grid of 2^-64 and |a| < 2^-11), k L2 is exact, rh = a - t rounded is
  // rounded again to the grid of 2^-37, and what that leaves, a - rhh - t,
  // is exact before its last rounding (|rl| < 2^-37.9).
  const T a = x - k * l1;
  const T t = k * l2;
  const T rh = a - t;
  const T rhh = (rh + grid) - grid;
  const T rl = ((a - rhh) - t) - k * l3;
  // q = rl + e^r - 1 - r, the polynomial in r = rhh + rl rounded.
  const T rr = rhh + rl;
  T p = rr * c5 + c4;
  p = p * rr + c3;
  p = p * rr + half;
  const T q = rl + (rr * rr) * p;
  // v = Th + Th rhh + [Th q + Tl (1 + rhh + q)]; Th rhh is exact.
  typename BitsOf<T>::type j;
  ToBits(kd, j);
  j &= static_cast<uint64_t>(kTableSize - 1);
  T th, tl;
  TableEntries<T>(j, th, tl);
  const T ph = th * rhh;
  h = th + ph;  // |th| >= 1 > |ph|: Fast2Sum
  const T l = ph - (h - th);
  low = l + (th * q + (tl + tl * (rhh + q)));
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
