#pragma once
// Readers of the training program's files that describe the data: ".dat",
// ".flg", ".ndp" and ".MinMax", named by Net().ProjectPath and a suffix.
// They write into Net() with the compile-time bounds: VarMin and VarMax
// (0 To VariableCount + 15), NetInputColumns (0 To DirectInputCount + 5),
// InputVarColumns, OutputColumns and IdVarColumns (0 To VariableCount).
// All throw common::Failure naming the file and line.

namespace quenby {

// Reads ".dat" (counts, titles, ranges; the data records are read and
// dropped), ".flg" (the role of each variable) and, when it exists, ".ndp"
// (network inputs, cluster count and, through its two switches, the
// conventional and then the fuzzy clustering readers). Ends by setting the
// ranges of the derived columns from the cluster count as it then stands.
void ReadProjectData();

// Applies ".MinMax" when it exists: its records replace the ranges of the
// direct network inputs and of the outputs, nothing else.
void ReadRangeOverrides();

}  // namespace quenby
