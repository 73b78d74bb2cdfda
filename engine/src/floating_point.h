#pragma once
// A floating-point overflow, division by zero or invalid operation ends the
// call with a floating-point failure: the passes test each result they form,
// so no infinity or not-a-number ever reaches a result table. Underflow to 0
// is no failure.
#include <cmath>
#include <string>

#include "common/failure.h"

namespace quenby {

// what is called only on failure, so messages cost nothing on the hot path.
template <class What>
inline double Finite(double v, What&& what) {
  if (!std::isfinite(v)) [[unlikely]] {
    common::Fail(common::FailureClass::FloatingPoint,
                 std::string(what()) + " is " + (std::isnan(v) ? "not a number" : "infinite") +
                     " (overflow, division by zero or invalid operation)");
  }
  return v;
}

}  // namespace quenby
