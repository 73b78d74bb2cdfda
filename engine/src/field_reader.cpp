#include "field_reader.h"

#include <charconv>
#include <cmath>

#include "common/number_text.h"

namespace quenby {

using common::FailureClass;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

std::string Quoted(std::string_view token) {
  constexpr size_t kShown = 40;
  std::string s = "\"";
  s += token.substr(0, kShown);
  if (token.size() > kShown) s += "...";
  s += "\"";
  return s;
}

}  // namespace

FieldReader::FieldReader(std::string_view text, std::string fileName)
    : text_(text), fileName_(std::move(fileName)) {}

void FieldReader::FailHere(FailureClass cls, std::string_view what) const {
  common::FailAt(cls, what, fileName_, line_);
}

void FieldReader::SkipLineEnd() {
  if (pos_ < text_.size() && text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++line_;
  } else if (pos_ < text_.size() && text_[pos_] == '\n') {
    ++pos_;
    ++line_;
  }
}

// Past the blanks after a field, one comma, then blanks and a line end.
void FieldReader::SkipSeparator() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (pos_ < text_.size() && text_[pos_] == ',') {
    ++pos_;
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  SkipLineEnd();
}

std::string_view FieldReader::ReadLine(std::string_view what) {
  if (pos_ >= text_.size()) {
    FailHere(FailureClass::EndOfFile, "expected " + std::string(what) + ", found the end of the file");
  }
  size_t b = pos_;
  while (pos_ < text_.size() && !IsLineEnd(text_[pos_])) ++pos_;
  std::string_view line = text_.substr(b, pos_ - b);
  SkipLineEnd();
  return line;
}

std::string_view FieldReader::NumberToken(std::string_view what, long& tokenLine) {
  for (;;) {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && IsLineEnd(text_[pos_])) {
      SkipLineEnd();
      continue;
    }
    break;
  }
  tokenLine = line_;
  if (pos_ >= text_.size()) {
    FailHere(FailureClass::EndOfFile, "expected " + std::string(what) + ", found the end of the file");
  }
  size_t b = pos_;
  while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
  std::string_view token = text_.substr(b, pos_ - b);
  SkipSeparator();
  return token;
}

double FieldReader::ReadDouble(std::string_view what) {
  long at = 0;
  std::string_view token = NumberToken(what, at);
  double v = 0;
  // Nearly every number of a compiled file is a plain decimal: converted
  // here directly, to the value the general reader below gives it.
  const char* b = token.data();
  const char* const e = b + token.size();
  const bool negative = b < e && *b == '-';
  if (b < e && (*b == '-' || *b == '+')) ++b;
  if (b < e && ((*b >= '0' && *b <= '9') || *b == '.')) {
    const auto r = std::from_chars(b, e, v, std::chars_format::general);
    if (r.ec == std::errc() && r.ptr == e) return negative ? -v : v;
  }
  bool overflow = false;
  if (!common::ParseNumber(token, v, &overflow)) {
    common::FailAt(overflow ? FailureClass::Overflow : FailureClass::TypeMismatch,
                   overflow ? Quoted(token) + " (" + std::string(what) + ") is beyond the range of a double"
                            : Quoted(token) + " is not a number (expected " + std::string(what) + ")",
                   fileName_, at);
  }
  return v;
}

int64_t FieldReader::ReadInteger(std::string_view what, int64_t lowest, int64_t highest, const char* fits) {
  long at = 0;
  std::string_view token = NumberToken(what, at);
  double v = 0;
  bool overflow = false;
  if (!common::ParseNumber(token, v, &overflow) && !overflow) {
    common::FailAt(FailureClass::TypeMismatch,
                   Quoted(token) + " is not a number (expected " + std::string(what) + ")", fileName_, at);
  }
  int64_t r = 0;
  if (overflow || !common::RoundHalfEven(v, r) || r > highest || r < lowest) {
    common::FailAt(FailureClass::Overflow, Quoted(token) + " (" + std::string(what) + ") does not fit " + fits,
                   fileName_, at);
  }
  return r;
}

int32_t FieldReader::ReadInt32(std::string_view what) {
  return static_cast<int32_t>(ReadInteger(what, INT32_MIN, INT32_MAX, "a 32-bit integer"));
}

int16_t FieldReader::ReadInt16(std::string_view what) {
  return static_cast<int16_t>(ReadInteger(what, INT16_MIN, INT16_MAX, "a 16-bit integer (largest 32767)"));
}

int16_t FieldReader::ReadCount(std::string_view what) {
  long at = line_;
  int16_t v = ReadInt16(what);
  if (v < 0) {
    common::FailAt(FailureClass::Subscript,
                   std::string(what) + " is " + std::to_string(v) + "; a count must be 0 or more", fileName_, at);
  }
  return v;
}

int16_t FieldReader::ReadBoolean(std::string_view what) {
  long at = 0;
  std::string_view token = NumberToken(what, at);
  if (token == "True") return -1;
  if (token == "False") return 0;
  common::FailAt(FailureClass::TypeMismatch,
                 Quoted(token) + " is not \"True\" or \"False\" (expected " + std::string(what) + ")", fileName_, at);
}

std::string FieldReader::ReadText(std::string_view what) {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) {
    FailHere(FailureClass::EndOfFile, "expected " + std::string(what) + ", found the end of the file");
  }
  std::string out;
  if (text_[pos_] == '"') {
    size_t b = ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"' && !IsLineEnd(text_[pos_])) ++pos_;
    out.assign(text_.substr(b, pos_ - b));
    if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
  } else {
    size_t b = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
    out.assign(text_.substr(b, pos_ - b));
  }
  SkipSeparator();
  return out;
}

void FieldReader::RequireRoom(int64_t values, std::string_view what) const {
  int64_t left = static_cast<int64_t>(text_.size() - pos_);
  if (values > left) {
    FailHere(FailureClass::EndOfFile, "expected " + std::to_string(values) + " " + std::string(what) +
                                          ", but only " + std::to_string(left) + " bytes remain in the file");
  }
}

}  // namespace quenby
