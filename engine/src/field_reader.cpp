#include "field_reader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
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

// Powers of ten held exactly by a double.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Eight digit values (0..9, one per byte, the first digit in the lowest
// byte) as the number they spell.
uint64_t CombineEightDigits(uint64_t v) {
  v = v * 10 + (v >> 8);  // pairs of digits
  return ((v & 0x000000FF000000FFu) * (100 + (uint64_t{1000000} << 32)) +
          ((v >> 16) & 0x000000FF000000FFu) * (1 + (uint64_t{10000} << 32))) >>
         32;
}

// Bytes are taken lowest address first, as on every little-endian machine.
uint64_t LoadEight(const char* p) {
  static_assert(std::endian::native == std::endian::little);
  uint64_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Eight ASCII digits at p as their value; false if any of them is no digit.
bool EightDigits(const char* p, uint64_t& value) {
  const uint64_t v = LoadEight(p);
  const uint64_t high = v & 0xF0F0F0F0F0F0F0F0u;
  const uint64_t carried = ((v + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u) >> 4;
  if ((high | carried) != 0x3333333333333333u) return false;
  value = CombineEightDigits(v - 0x3030303030303030u);
  return true;
}

// m * 10^scale rounded once, when m is at most 2^53 and scale within
// -22..22 (both factors exact); false otherwise.
bool ScaleExactly(uint64_t m, int scale, bool negative, double& value) {
  constexpr uint64_t kExactIntegers = uint64_t{1} << 53;
  double v = 0.0;
  if (m != 0) {
    if (m > kExactIntegers || scale < -22 || scale > 22) return false;
    v = scale < 0 ? static_cast<double>(m) / kExactPowersOfTen[-scale]
                  : static_cast<double>(m) * kExactPowersOfTen[scale];
  }
  value = negative ? -v : v;
  return true;
}

// A field of the form [sign] digits [. digits] [E [sign] digits], ending at a
// blank, a comma, a line end or the end of the text, whose digits make an
// integer m of at most 2^53 and whose scale s lies within -22..22: then m
// and 10^|s| are exact doubles and one multiplication or division rounds
// once, to the same nearest double any exact conversion gives. Nearly every
// number the compiled file's writer produces is of this kind. Returns false,
// having moved nothing, for any other text; the general path then reads it.
bool ReadShortDecimal(const char*& at, const char* end, double& value) {
  const char* p = at;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  uint64_t m = 0;
  int digits = 0;  // significant digits in m (leading zeros not counted)
  int scale = 0;   // the value is m * 10^scale
  bool anyDigit = false;
  // Appends a run of digits to m; a fraction's digits also lower the scale.
  auto appendDigits = [&](int perDigit) {
    if (m == 0) {
      for (; p < end && *p == '0'; ++p) {
        anyDigit = true;
        scale += perDigit;
        if (scale < -1000) return false;  // left to the general path
      }
    }
    for (;;) {
      uint64_t eight = 0;
      if (digits <= 11 && end - p >= 8 && EightDigits(p, eight)) {
        m = m * 100000000u + eight;
        digits += 8;
        scale += 8 * perDigit;
        p += 8;
        anyDigit = true;
      } else if (p < end && *p >= '0' && *p <= '9') {
        if (++digits > 19) return false;
        m = m * 10 + static_cast<uint64_t>(*p - '0');
        scale += perDigit;
        ++p;
        anyDigit = true;
      } else {
        return true;
      }
    }
  };
  if (!appendDigits(0)) return false;
  if (p < end && *p == '.') {
    ++p;
    if (!appendDigits(-1)) return false;
  }
  if (!anyDigit) return false;
  if (p < end && (*p == 'E' || *p == 'e')) {
    ++p;
    const bool down = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    if (p >= end || *p < '0' || *p > '9') return false;
    int e = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
      if (e > 999) return false;
      e = e * 10 + (*p - '0');
    }
    scale += down ? -e : e;
  }
  if (p < end && !IsBlank(*p) && *p != ',' && !IsLineEnd(*p)) return false;
  if (!ScaleExactly(m, scale, negative, value)) return false;
  at = p;
  return true;
}

#if defined(__SSE2__) || defined(_M_X64)
// The value of k (0..16) ASCII digits at q, whose 16 bytes are readable.
[[gnu::always_inline]] inline uint64_t UpToSixteenDigits(const char* q, int k) {
  constexpr uint64_t kZeros = 0x3030303030303030u;
  if (k <= 8) {
    // Shifted up so that the k digits fill the top bytes; the bytes shifted
    // in are zero digits in front of them.
    return k == 0 ? 0 : CombineEightDigits((LoadEight(q) - kZeros) << (8 * (8 - k)));
  }
  const uint64_t high = CombineEightDigits((LoadEight(q) - kZeros) << (8 * (16 - k)));
  return high * 100000000u + CombineEightDigits(LoadEight(q + k - 8) - kZeros);
}

constexpr uint64_t kPowersOfTen[] = {1u,
                                     10u,
                                     100u,
                                     1000u,
                                     10000u,
                                     100000u,
                                     1000000u,
                                     10000000u,
                                     100000000u,
                                     1000000000u,
                                     10000000000u,
                                     100000000000u,
                                     1000000000000u,
                                     10000000000000u,
                                     100000000000000u,
                                     1000000000000000u,
                                     10000000000000000u};

// The common line without a branch that depends on its digits: at most one
// blank, [sign] digits [. digits] of at most 19 digits in all whose digits
// make an integer of at most 2^53, blanks, and the line end (CR LF or LF),
// all within 32 bytes. Reading it so, the next line's start follows from one
// load of the line, not from a walk over its characters. 64 bytes from line
// must be readable. Returns false for any other text; the field-by-field
// reader then takes it, with the same result.
[[gnu::always_inline]] inline bool ReadCommonLine(const char* line, double& value, size_t& length) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + 16));
  auto bits = [&](__m128i x, __m128i y) {
    return static_cast<uint32_t>(_mm_movemask_epi8(x)) | static_cast<uint32_t>(_mm_movemask_epi8(y)) << 16;
  };
  auto equal = [&](char c) {
    const __m128i v = _mm_set1_epi8(c);
    return bits(_mm_cmpeq_epi8(a, v), _mm_cmpeq_epi8(b, v));
  };
  // (c - '0') < 10 as unsigned bytes, through a signed comparison.
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i flip = _mm_set1_epi8(static_cast<char>(-128));
  const __m128i ten = _mm_set1_epi8(static_cast<char>(10 - 128));
  const uint32_t digits = bits(_mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(a, zero), flip), ten),
                               _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(b, zero), flip), ten));
  const uint32_t blanks = equal(' ') | equal('\t');
  const uint32_t dots = equal('.');
  const uint32_t minus = equal('-');
  const uint32_t signs = minus | equal('+');
  const uint32_t feeds = equal('\n');
  const uint32_t returns = equal('\r');

  const int lead = static_cast<int>(blanks & 1);
  const int signLength = static_cast<int>((signs >> lead) & 1);
  const int start = lead + signLength;
  const int n = std::countr_one((digits | dots) >> start);  // the number's length
  const int end = start + n;
  const uint32_t dotsIn = (dots >> start) & ~(~uint32_t{0} << (n & 31));
  const int point = dotsIn != 0 ? std::countr_zero(dotsIn) : n;
  const int whole = point;
  const int fraction = n - point - (dotsIn != 0);
  const int feed = std::countr_zero(feeds);  // 32 if none
  // Between the number and the LF: blanks, and a CR just before the LF.
  const uint32_t gap = feed < 32 ? ((uint32_t{1} << feed) - 1) & (~uint32_t{0} << (end & 31)) : 0;
  const uint32_t allowed = blanks | (returns & (uint32_t{1} << ((feed - 1) & 31)));
  const bool common = feed < 32 && end <= feed && (gap & ~allowed) == 0 && (dotsIn & (dotsIn - 1)) == 0 &&
                      whole + fraction > 0 && whole <= 16 && fraction <= 16 && whole + fraction <= 19;
  if (!common) return false;
  const char* p = line + start;
  const uint64_t m = UpToSixteenDigits(p, whole) * kPowersOfTen[fraction] + UpToSixteenDigits(p + point + 1, fraction);
  if (m > (uint64_t{1} << 53)) return false;
  // One rounding, as in ScaleExactly; the sign is set apart so that "-0" is -0.
  const uint64_t negative = (minus >> lead) & 1;
  const double magnitude = static_cast<double>(m) / kExactPowersOfTen[fraction];
  value = std::bit_cast<double>(std::bit_cast<uint64_t>(magnitude) | negative << 63);
  length = static_cast<size_t>(feed) + 1;
  return true;
}
#endif

}  // namespace

FieldReader::FieldReader(std::string_view text, std::string fileName)
    : text_(text), fileName_(std::move(fileName)), fileSize_(static_cast<int64_t>(text.size())) {}

FieldReader::FieldReader(const std::string& path, size_t pieceBytes) : fileName_(path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) common::Fail(FailureClass::FileNotFound, "cannot read the compiled network file " + path);
  std::setvbuf(file_, nullptr, _IONBF, 0);  // pieces go straight into buffer_
  // The size only bounds counts before tables are made for them; a file whose
  // size cannot be found (not a regular file) is taken as unbounded, and the
  // reading fails on it anyway.
  fileSize_ = INT64_MAX;
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    const long size = std::ftell(file_);
    if (size >= 0) fileSize_ = size;
    std::rewind(file_);
  }
  capacity_ = std::max<size_t>(pieceBytes, 1);
  buffer_ = std::make_unique<char[]>(capacity_);
  fileEnded_ = false;
  text_ = std::string_view(buffer_.get(), 0);
}

FieldReader::~FieldReader() {
  if (file_) std::fclose(file_);
}

bool FieldReader::NextPiece() {
  if (!file_) return false;
  const size_t done = text_.size();
  piecesBefore_ += static_cast<int64_t>(done);
  std::memmove(buffer_.get(), buffer_.get() + done, filled_ - done);
  filled_ -= done;
  text_ = std::string_view(buffer_.get(), 0);
  pos_ = 0;
  for (;;) {
    if (!fileEnded_) {
      if (filled_ == capacity_) {  // a line longer than the buffer
        auto larger = std::make_unique<char[]>(capacity_ * 2);
        std::memcpy(larger.get(), buffer_.get(), filled_);
        buffer_ = std::move(larger);
        capacity_ *= 2;
      }
      const size_t want = capacity_ - filled_;
      const size_t got = std::fread(buffer_.get() + filled_, 1, want, file_);
      filled_ += got;
      if (got < want) {
        if (std::ferror(file_)) {
          common::Fail(FailureClass::FileNotFound, "cannot read the compiled network file " + fileName_);
        }
        fileEnded_ = true;
      }
    }
    // The piece ends after its last complete line end; a CR as the last byte
    // read may still be followed by an LF, so it waits for the next piece.
    size_t end = filled_;
    if (!fileEnded_) {
      const char* b = buffer_.get();
      while (end > 0 && !(b[end - 1] == '\n' || (b[end - 1] == '\r' && end < filled_))) --end;
    }
    if (end > 0 || fileEnded_) {
      text_ = std::string_view(buffer_.get(), end);
      return end > 0;
    }
  }
}

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
  if (pos_ >= text_.size() && !NextPiece()) {
    FailHere(FailureClass::EndOfFile, "expected " + std::string(what) + ", found the end of the file");
  }
  size_t b = pos_;
  while (pos_ < text_.size() && !IsLineEnd(text_[pos_])) ++pos_;
  std::string_view line = text_.substr(b, pos_ - b);
  SkipLineEnd();
  return line;
}

void FieldReader::SkipToField(std::string_view what) {
  for (;;) {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    if (pos_ < text_.size()) {
      if (!IsLineEnd(text_[pos_])) return;
      SkipLineEnd();
    } else if (!NextPiece()) {
      FailHere(FailureClass::EndOfFile, "expected " + std::string(what) + ", found the end of the file");
    }
  }
}

std::string_view FieldReader::NumberToken(std::string_view what, long& tokenLine) {
  SkipToField(what);
  tokenLine = line_;
  size_t b = pos_;
  while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
  std::string_view token = text_.substr(b, pos_ - b);
  SkipSeparator();
  return token;
}

double FieldReader::ReadDouble(std::string_view what) {
  double v = 0;
#if defined(__SSE2__) || defined(_M_X64)
  // Nearly every number of a compiled file stands alone on its line, after
  // one blank if it is positive: the whole line is read in one go.
  size_t length = 0;
  if (text_.size() - pos_ >= 64 && ReadCommonLine(text_.data() + pos_, v, length)) {
    pos_ += length;
    ++line_;
    return v;
  }
#endif
  SkipToField(what);  // may move on to the next piece, in a new buffer
  const char* const begin = text_.data();
  const char* next = begin + pos_;
  if (ReadShortDecimal(next, begin + text_.size(), v)) {
    pos_ = static_cast<size_t>(next - begin);
    SkipSeparator();
    return v;
  }
  long at = 0;
  std::string_view token = NumberToken(what, at);
  // Other plain decimals are converted directly, to the value the general
  // reader below gives them.
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

void FieldReader::ReadDoubles(double* out, int64_t count, std::string_view what) {
  int64_t i = 0;
  while (i < count) {
#if defined(__SSE2__) || defined(_M_X64)
    // Position and line stay in registers over a run of common lines.
    const char* const begin = text_.data();
    const size_t size = text_.size();
    size_t pos = pos_;
    long line = line_;
    size_t length = 0;
    while (i < count && size - pos >= 64 && ReadCommonLine(begin + pos, out[i], length)) {
      pos += length;
      ++line;
      ++i;
    }
    pos_ = pos;
    line_ = line;
    if (i == count) break;
#endif
    out[i++] = ReadDouble(what);
  }
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
  if (pos_ >= text_.size()) NextPiece();
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
  const int64_t inPiece = static_cast<int64_t>(text_.size() - pos_);
  const int64_t left = std::max(inPiece, fileSize_ - piecesBefore_ - static_cast<int64_t>(pos_));
  if (values > left) {
    FailHere(FailureClass::EndOfFile, "expected " + std::to_string(values) + " " + std::string(what) +
                                          ", but only " + std::to_string(left) + " bytes remain in the file");
  }
}

}  // namespace quenby
