#pragma once
// What the engine's hot loops share: vectors of doubles whose lanes each run
// the plain loop's operations in its order, and the instruction sets they
// may be built for. Only IEEE addition, subtraction, multiplication and
// division run in the lanes (and integer operations on bits, for the
// exponential), so every set gives the scalar loop's bits.

// Windows x64 only guarantees a 16-byte aligned stack, and MinGW's GCC may
// spill 32- and 64-byte vectors there with aligned moves (a crash when the
// stack is not realigned); Windows builds take the wide sets when the
// assembler turns every such move into an unaligned one (the build defines
// QUENBY_UNALIGNED_VECTOR_MOVES then). No lane calls a library function on
// the hot path, so no call spills the wide registers either.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && \
    (!defined(_WIN32) || defined(QUENBY_UNALIGNED_VECTOR_MOVES))
#define QUENBY_WIDE_VECTORS 1
#else
#define QUENBY_WIDE_VECTORS 0
#endif

namespace quenby {

// Instruction sets of the vector kernels; all give bit-identical results.
enum class VectorIsa { Baseline, Avx2, Avx512 };

// The widest set this processor (and build) can run; asked of the processor
// once per process.
VectorIsa BestVectorIsa();
bool VectorIsaAvailable(VectorIsa isa);
// Whether AVX-512 takes bytes and words too (AVX-512BW), for the text scans.
bool Avx512BytesAvailable();

namespace lanes {

typedef double V2 __attribute__((vector_size(16)));
#if QUENBY_WIDE_VECTORS
typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));
#endif

// The unaligned, aliasing twin of each vector type, for loads and stores
// straight from tables. (Attributes on a template argument are dropped, so
// the twins live in a trait.)
template <class V>
struct Unaligned;
template <>
struct Unaligned<V2> {
  typedef double type __attribute__((vector_size(16), may_alias, aligned(8)));
};
#if QUENBY_WIDE_VECTORS
template <>
struct Unaligned<V4> {
  typedef double type __attribute__((vector_size(32), may_alias, aligned(8)));
};
template <>
struct Unaligned<V8> {
  typedef double type __attribute__((vector_size(64), may_alias, aligned(8)));
};
#endif

// Comparison results as bits, all ones where true, and selects on them.
// Convert each comparison on its own (ToMask) and combine the bits: for 8
// lanes without AVX-512DQ, GCC 12 compares lane by lane where masks are
// combined before the conversion or select with ?: directly.
template <class V>
struct Mask {
  typedef unsigned long long type __attribute__((vector_size(sizeof(V))));
};
template <class C, class M>
[[gnu::always_inline]] inline void ToMask(const C& comparison, M& mask) {
  static_assert(sizeof(C) == sizeof(M));
  mask = (M)comparison;
}
// out = m ? a : b, lane by lane.
template <class V>
[[gnu::always_inline]] inline void Select(const typename Mask<V>::type& m, const V& a, const V& b, V& out) {
  typename Mask<V>::type ab, bb;
  __builtin_memcpy(&ab, &a, sizeof ab);
  __builtin_memcpy(&bb, &b, sizeof bb);
  ab = (ab & m) | (bb & ~m);
  __builtin_memcpy(&out, &ab, sizeof out);
}

// By reference: a wide vector passed by value would change the calling
// convention between functions built for different sets.
template <class V>
[[gnu::always_inline]] inline void Load(V& to, const double* from) {
  static_assert(alignof(typename Unaligned<V>::type) == alignof(double));
  to = *reinterpret_cast<const typename Unaligned<V>::type*>(from);
}
template <class V>
[[gnu::always_inline]] inline void Store(double* to, const V& v) {
  *reinterpret_cast<typename Unaligned<V>::type*>(to) = v;
}

}  // namespace lanes
}  // namespace quenby
