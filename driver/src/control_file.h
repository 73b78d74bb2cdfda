#pragma once
// "Control.dat": four project paths on lines 2, 4, 6 and 8 (the lines between
// are labels) and the case count as the first field of line 10.

namespace torvane {

// Reads g_dataFolder's "Control.dat" into ProjectPath1..4 and CaseCount.
// A path is its whole line without the line end; blanks, commas and quotes
// stay part of it. The case count is rounded half to even and must fit 16
// bits. Throws Failure with the file and line: file not found, end of file
// (fewer than ten lines), type mismatch (line 10 not a number), overflow.
void ReadControlFile();

}  // namespace torvane
