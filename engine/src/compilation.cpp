#include "compilation.h"

#include "common/failure.h"
#include "loaded_network.h"

namespace quenby {

// Placeholder until the project readers land.
void CompileProject() {
  common::Fail(common::FailureClass::FileNotFound,
               "no compiled file " + Net().ProjectPath + ".DLLFile, and project compilation is not available");
}

}  // namespace quenby
