#include "run_flag.h"

#include <cmath>

namespace pellmar {

// The host's tolerance is the single-precision 0.1 widened, not the double
// nearest 0.1: 1.1 and 1.100000001 count as set.
static constexpr double kRunFlagLimit = static_cast<double>(0.1f);
static_assert(kRunFlagLimit == 0.100000001490116119384765625);

bool RunFlagSet(double flag) { return std::fabs(flag - 1.0) < kRunFlagLimit; }

}  // namespace pellmar
