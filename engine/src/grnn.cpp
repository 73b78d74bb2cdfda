#include "grnn.h"

#include "common/failure.h"

namespace quenby {

// Placeholder until the general regression pass lands.
void RunGrnn() { common::Fail(common::FailureClass::InvalidArgument, "the GRNN method is not available yet"); }

}  // namespace quenby
