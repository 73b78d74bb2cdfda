#pragma once
// The case table: 510 host variables per case, read from "inputvars.dat".

namespace torvane {

// A negative CaseCount is a subscript failure naming Control.dat line 10.
void CheckCaseCount();

// Re-creates CaseTable as (0 To CaseCount, 0 To 510), all 0.0. A negative
// CaseCount is a subscript failure naming Control.dat line 10.
void AllocateCaseTable();

// Reads 510 x CaseCount numbers from g_dataFolder's "inputvars.dat" into a
// re-created CaseTable(case, variable), case after case. Blanks, commas and
// line ends separate the numbers; anything after the last one needed is
// ignored.
// Throws Failure with the file and line: file not found, end of file (fewer
// numbers than needed), type mismatch (a field that is not a finite number,
// such as the 15 asterisks written for a value too wide for its column).
void LoadCaseTable();

}  // namespace torvane
