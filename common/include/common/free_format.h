#pragma once
// Free-format reading of numeric fields, shared by the driver's reading of
// "inputvars.dat" and the adapter's reading of "outfile.dat". The text is held
// in memory; the cursor counts lines so that errors can name them.
#include <string_view>

namespace common {

// Outcome of parsing one value field.
enum class FreeValueStatus {
  Ok,
  Syntax,      // not a value form at all ("***", "abc", "1.2.3")
  Conversion,  // a value form whose magnitude lies beyond the double range
};

// Parses one field that was already cut at its separator. Accepts an optional
// sign, digits with or without a point (".5" and "5." too), and an optional
// exponent: one of the letters E, D or Q in either case followed by a signed
// or unsigned integer. INF, INFINITY and NAN, in any letter case and with an
// optional sign, give the infinities and a quiet NaN. Locale-free.
FreeValueStatus ParseFreeValue(std::string_view field, double& out);

// A position in a text, with its 1-based line number. Lines end at LF; a CR
// directly before the LF belongs to the line end.
class FreeFormatCursor {
 public:
  explicit FreeFormatCursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  // True at CR LF, at a lone LF and at the end of the text.
  bool AtLineEnd() const;
  long Line() const { return line_; }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Advance();  // one character; a line end counts as one

  // Skips blanks and tabs, not line ends.
  void SkipBlanks();
  // Skips blanks, tabs and line ends.
  void SkipBlanksAndLineEnds();
  // Moves past the end of the current line (to the end of the text when the
  // line is the last).
  void SkipRestOfLine();
  // The characters from here up to (not including) the first one in stops, a
  // blank, a tab or the line end; the cursor moves past them.
  std::string_view TakeField(std::string_view stops);

 private:
  std::string_view text_;
  size_t pos_ = 0;
  long line_ = 1;
};

}  // namespace common
