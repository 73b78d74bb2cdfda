#pragma once
// Reading the driver's results from "outfile.dat".
#include <string_view>

#include "exchange_error.h"

namespace pellmar {

inline constexpr int kModelOutputs = 400;

struct OutFileRead {
  ExchangeError error = ExchangeError::None;
  long line = 0;  // where the failing read stood
};

// Reads count values from text into values[0..count-1], one free-format read
// per value, each starting on a new line: blank lines are passed over, a
// value ends at a blank, a comma, a "/" or the line end and the rest of its
// line is ignored, E, D and Q exponents and INF, INFINITY and NAN are taken;
// an empty value (a comma first) or a "/" leaves its element as it was.
// On an error, values[] holds what was read before it.
OutFileRead ReadOutFileValues(std::string_view text, double* values, int count);

}  // namespace pellmar
