#pragma once
// "inputvars.dat": the host's inputs 1..510, one per line, each in 15
// columns of fixed-point text with four decimals, CR LF.
#include <string>

namespace pellmar {

inline constexpr int kModelInputs = 510;

// One value right-justified in 15 columns, rounded to four decimals
// ("         1.0000", "      -273.1500"); 15 asterisks when the text needs
// more columns. Not-a-number and the infinities are written by name ("NaN",
// "Infinity", "-Infinity"), right-justified, so that the driver rejects them
// by name rather than reading a number that was never given.
std::string FixedField(double value);

// The whole file for in[1..510]; in[0], the run flag, is not written.
std::string InputVarsText(const double* in);

}  // namespace pellmar
