#pragma once
// The run flag of a calculation: input element 0.

namespace pellmar {

// True when |flag - 1| < 0.1 with the limit in single precision
// (0.100000001490116119384765625), strictly; a NaN is never set.
bool RunFlagSet(double flag);

}  // namespace pellmar
