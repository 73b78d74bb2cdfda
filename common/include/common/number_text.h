#pragma once
// Number text shared by the engine's compiled file, "trashy.dat" and
// "outfile.dat". Locale-free: to_chars/from_chars only, so both platforms
// write the same bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// General number form: at most 15 significant digits, "." as the decimal
// separator, no point for a whole value, trailing zeros of a fraction dropped,
// a leading "0" before the point for magnitudes below 1 ("0.5").
// Exponent form ("1E-20", "-2.5E+20": mantissa in the same form, E, the
// exponent's sign and at least two digits) is used when the value, rounded to
// 15 significant digits, is 1E+15 or more, or below 1E-5 in magnitude; in
// between the plain form never needs more than 15 significant digits.
// A negative value carries "-"; zero (either sign) is "0". Not-a-number and
// infinities are written "NAN", "INF", "-INF" (the engine never writes them
// to a result; the names are what the adapter's reader accepts).
std::string GeneralNumber(double v);

// Item forms of the compiled file and the exchange files: "-" for a negative
// value, else one blank; the number; one blank. No line end.
void AppendNumberItem(std::string& out, double v);
void AppendIntegerItem(std::string& out, int64_t v);

// One line of "outfile.dat" / "trashy.dat": the number item and CR LF.
void AppendNumberLine(std::string& out, double v);

// Parses a whole text as a double: leading and trailing blanks allowed, an
// optional sign, digits with or without a point (".5" and "5." too), an
// optional exponent with E or e. Returns false for anything else, including
// an empty text. A magnitude beyond the double range sets *overflow (when
// given) and returns false; one below it gives a signed zero.
bool ParseNumber(std::string_view text, double& out, bool* overflow = nullptr);

// Rounds to the nearest integer, halves to the even neighbour, as the
// training program's counts are converted. Returns false when the result
// does not fit 64 bits or v is not finite.
bool RoundHalfEven(double v, int64_t& out);

}  // namespace common
