#pragma once
// Checks a run of number lines in bulk, without converting them. A line of
// the form the writer gives a number,
//   blank or minus, digits [point digits], [one blank], CR LF
// with a digit on each side of a point and shorter than 128 bytes, is read
// by the field reader as exactly one finite number, after which it stands at
// the next line: a run of such lines is known good without a conversion.
// The scan classifies 64 bytes at a time (digits, point, blank, minus, CR,
// LF) and checks the form with bit operations on the classes, so no branch
// depends on the digits.
#include <cstddef>
#include <cstdint>

namespace quenby {

struct NumberLineScan {
  int64_t lines = 0;  // lines of the form, from the start
  size_t end = 0;     // the start of the line after them
  // Where the scan stopped looking: the end of the 64 bytes that held a line
  // of another form (or the text's end). Lines before it are better read
  // one field at a time before the scan is tried again.
  size_t stop = 0;
};

// Scans text[from, size) for at most `most` lines of the form; from must be
// the start of a line. Reads nothing outside the text.
NumberLineScan ScanNumberLines(const char* text, size_t size, size_t from, int64_t most);

}  // namespace quenby
