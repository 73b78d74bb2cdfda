#include "vector_lanes.h"

namespace quenby {

namespace {

// Asked once (thread-safe static initialisation): the kernels run on worker
// threads too.
struct IsaSupport {
  bool avx2 = false;
  bool avx512 = false;
  IsaSupport() {
#if QUENBY_WIDE_VECTORS
    __builtin_cpu_init();
    avx2 = __builtin_cpu_supports("avx2");
    avx512 = __builtin_cpu_supports("avx512f");
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

VectorIsa BestVectorIsa() {
  return Support().avx512 ? VectorIsa::Avx512 : Support().avx2 ? VectorIsa::Avx2 : VectorIsa::Baseline;
}

}  // namespace quenby
