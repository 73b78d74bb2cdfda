#pragma once
// Compilation of the training program's project files (Net().ProjectPath +
// ".dat", ".flg", ".ndp", ".MinMax", ".clu", ".net", ".grn") into the
// project's ".DLLFile" file.

namespace quenby {

// Compiles Net().ProjectPath. The ".DLLFile" file appears (or replaces an
// earlier one) only when the whole compilation succeeded. Throws
// common::Failure.
void CompileProject();

}  // namespace quenby
