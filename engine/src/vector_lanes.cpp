#include "vector_lanes.h"

#if QUENBY_WIDE_VECTORS
#include <cpuid.h>
#if __has_include(<sys/platform/x86.h>)
// The C library's own answers, asked once per process. The header is C: its
// _Bool is GCC's extension in C++, not Clang's.
#if defined(__clang__)
#define _Bool bool
#include <sys/platform/x86.h>
#undef _Bool
#else
#include <sys/platform/x86.h>
#endif
#define QUENBY_LIBC_CPU_FEATURES 1
#endif
#endif

namespace quenby {

namespace {

// Asked once, on first use (thread-safe static initialisation: the kernels
// run on worker threads too). Three processor queries, where the compiler's
// own feature table would make dozens when the library is loaded, each one
// costly under a hypervisor.
struct IsaSupport {
  bool avx2 = false;
  bool avx512 = false;
  bool avx512Bytes = false;
  IsaSupport() {
#if QUENBY_WIDE_VECTORS && QUENBY_LIBC_CPU_FEATURES
    // The dynamic loader has asked the processor already (the system saving
    // the registers included): no query of our own, each of which costs
    // some 10 us under a hypervisor, per process.
    avx2 = CPU_FEATURE_ACTIVE(AVX2);
    avx512 = CPU_FEATURE_ACTIVE(AVX512F);
    avx512Bytes = avx512 && CPU_FEATURE_ACTIVE(AVX512BW);
#elif QUENBY_WIDE_VECTORS
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid_max(0, nullptr) < 7) return;
    __cpuid_count(1, 0, a, b, c, d);
    constexpr unsigned kOsSavesState = 1u << 27, kAvx = 1u << 28;
    if ((c & (kOsSavesState | kAvx)) != (kOsSavesState | kAvx)) return;
    // Which register states the system saves on a task switch.
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    constexpr unsigned kYmmState = 0x6, kZmmState = 0xE0;
    __cpuid_count(7, 0, a, b, c, d);
    constexpr unsigned kAvx2 = 1u << 5, kAvx512F = 1u << 16;
    avx2 = (b & kAvx2) != 0 && (low & kYmmState) == kYmmState;
    avx512 = (b & kAvx512F) != 0 && (low & (kYmmState | kZmmState)) == (kYmmState | kZmmState);
    constexpr unsigned kAvx512Bw = 1u << 30;
    avx512Bytes = avx512 && (b & kAvx512Bw) != 0;
#endif
  }
};

const IsaSupport& Support() {
  static const IsaSupport support;
  return support;
}

}  // namespace

bool VectorIsaAvailable(VectorIsa isa) {
  switch (isa) {
    case VectorIsa::Baseline:
      return true;
    case VectorIsa::Avx2:
      return Support().avx2;
    case VectorIsa::Avx512:
      return Support().avx512;
  }
  return false;
}

bool Avx512BytesAvailable() { return Support().avx512Bytes; }

VectorIsa BestVectorIsa() {
  return Support().avx512 ? VectorIsa::Avx512 : Support().avx2 ? VectorIsa::Avx2 : VectorIsa::Baseline;
}

}  // namespace quenby
