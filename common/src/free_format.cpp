#include "common/free_format.h"

#include <cmath>
#include <limits>
#include <string>

#include "common/number_text.h"

namespace common {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

}  // namespace

FreeValueStatus ParseFreeValue(std::string_view field, double& out) {
  if (field.empty()) return FreeValueStatus::Syntax;
  std::string_view body = field;
  bool negative = false;
  if (body[0] == '+' || body[0] == '-') {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (EqualsIgnoringCase(body, "INF") || EqualsIgnoringCase(body, "INFINITY")) {
    out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return FreeValueStatus::Ok;
  }
  if (EqualsIgnoringCase(body, "NAN")) {
    out = std::numeric_limits<double>::quiet_NaN();
    return FreeValueStatus::Ok;
  }
  // The D and Q exponent letters mean the same as E here: rewrite, then parse
  // with the one locale-free number parser.
  std::string text(field);
  for (char& c : text) {
    char u = Upper(c);
    if (u == 'D' || u == 'Q') c = 'E';
  }
  bool overflow = false;
  if (ParseNumber(text, out, &overflow)) return FreeValueStatus::Ok;
  return overflow ? FreeValueStatus::Conversion : FreeValueStatus::Syntax;
}

bool FreeFormatCursor::AtLineEnd() const {
  if (AtEnd()) return true;
  char c = text_[pos_];
  if (c == '\n') return true;
  return c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n';
}

void FreeFormatCursor::Advance() {
  if (AtEnd()) return;
  if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
  if (text_[pos_] == '\n') ++line_;
  ++pos_;
}

void FreeFormatCursor::SkipBlanks() {
  while (!AtEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
}

void FreeFormatCursor::SkipBlanksAndLineEnds() {
  for (;;) {
    SkipBlanks();
    if (AtEnd() || !AtLineEnd()) return;
    Advance();
  }
}

void FreeFormatCursor::SkipRestOfLine() {
  while (!AtLineEnd()) ++pos_;
  Advance();
}

std::string_view FreeFormatCursor::TakeField(std::string_view stops) {
  size_t start = pos_;
  while (!AtLineEnd()) {
    char c = text_[pos_];
    if (c == ' ' || c == '\t' || stops.find(c) != std::string_view::npos) break;
    ++pos_;
  }
  return text_.substr(start, pos_ - start);
}

}  // namespace common
