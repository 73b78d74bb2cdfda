#include "kernel_execution.h"

namespace quenby {

KernelExecution& KernelExecutionSettings() {
  static KernelExecution settings{BestVectorIsa(), 0};
  return settings;
}

}  // namespace quenby
