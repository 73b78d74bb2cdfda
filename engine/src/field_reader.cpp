#include "field_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "common/number_text.h"
#include "common/platform.h"
#include "decimal_reading.h"
#include "number_line_scan.h"

namespace quenby {

using common::FailureClass;

namespace {

// Kept pieces are read this large: few reads, and each piece is checked
// while it is still in the processor's cache.
constexpr size_t kKeptPieceBytes = size_t{1} << 17;

std::string Quoted(std::string_view token) {
  constexpr size_t kShown = 40;
  std::string s = "\"";
  s += token.substr(0, kShown);
  if (token.size() > kShown) s += "...";
  s += "\"";
  return s;
}

}  // namespace

FieldReader::FieldReader(std::string_view text, std::string fileName, long firstLine, bool startsLine)
    : text_(text),
      fileName_(std::move(fileName)),
      line_(firstLine),
      startsLine_(startsLine),
      fileSize_(static_cast<int64_t>(text.size())) {}

FieldReader::FieldReader(const std::string& path, size_t pieceBytes) : fileName_(path) {
  file_ = common::OpenFile(path, "rb");
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
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);  // read into, never cleared
  fileEnded_ = false;
  text_ = std::string_view(buffer_.get(), 0);
}

FieldReader::~FieldReader() {
  if (file_) std::fclose(file_);
}

bool FieldReader::NextPiece() {
  if (!file_) return false;
  if (keep_) return NextKeptPiece();
  const size_t done = text_.size();
  if (hashing_) {
    hash_.Add(text_.data() + hashFrom_, done - hashFrom_);  // while still in cache
    hashFrom_ = 0;
  }
  if (done > 0) startsLine_ = true;  // a piece ends after a line end
  piecesBefore_ += static_cast<int64_t>(done);
  std::memmove(buffer_.get(), buffer_.get() + done, filled_ - done);
  filled_ -= done;
  text_ = std::string_view(buffer_.get(), 0);
  pos_ = 0;
  for (;;) {
    if (!fileEnded_) {
      if (filled_ == capacity_) {  // a line longer than the buffer
        auto larger = std::make_unique_for_overwrite<char[]>(capacity_ * 2);
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
#if QUENBY_NUMBER_LINES
  // Nearly every number of a compiled file stands alone on its line, after
  // one blank if it is positive: the whole line is read in one go.
  size_t length = 0;
  if (text_.size() - pos_ >= kNumberLineReach && ReadNumberLine(text_.data() + pos_, v, length)) {
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
#if QUENBY_NUMBER_LINES
    // Position and line stay in registers over a run of common lines.
    const char* const begin = text_.data();
    const size_t size = text_.size();
    size_t pos = pos_;
    long line = line_;
    size_t length = 0;
    while (i < count && size - pos >= kNumberLineReach && ReadNumberLine(begin + pos, out[i], length)) {
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

void FieldReader::SkipDoubles(int64_t count, std::string_view what) {
  while (count > 0) {
    int64_t stop = 0;  // from the file's start: read fields up to here
    if (AtLineStart()) {
      if (pos_ >= text_.size() && !NextPiece()) break;  // ReadDouble below fails at the end
      const NumberLineScan scan = ScanNumberLines(text_.data(), text_.size(), pos_, count);
      pos_ = scan.end;
      line_ += static_cast<long>(scan.lines);
      count -= scan.lines;
      stop = piecesBefore_ + static_cast<int64_t>(scan.stop);
    }
    // The lines the scan stopped at, read as fields until the reading stands
    // at a line start again past them.
    while (count > 0) {
      ReadDouble(what);
      --count;
      if (piecesBefore_ + static_cast<int64_t>(pos_) >= stop && AtLineStart()) break;
    }
  }
  while (count > 0) {
    ReadDouble(what);
    --count;
  }
}

void FieldReader::HashFromHere() {
  hash_ = ByteHash();
  hashing_ = file_ != nullptr;
  hashFrom_ = pos_;
  hashStart_ = piecesBefore_ + static_cast<int64_t>(pos_);
}

FieldReader::Span FieldReader::EndHash() {
  hash_.Add(text_.data() + hashFrom_, pos_ - hashFrom_);
  hashing_ = false;
  return {hashStart_, piecesBefore_ + static_cast<int64_t>(pos_) - hashStart_, hash_.Value()};
}

void FieldReader::Rewind(int64_t offset, long line, bool startsLine) {
  std::clearerr(file_);
  if (!common::SeekFile(file_, offset)) {
    common::Fail(FailureClass::FileNotFound, "cannot read the compiled network file " + fileName_);
  }
  hashing_ = false;
  piecesBefore_ = offset;
  filled_ = 0;
  fileEnded_ = false;
  text_ = std::string_view(buffer_.get(), 0);
  pos_ = 0;
  line_ = line;
  startsLine_ = startsLine;
}

void FieldReader::KeepFromHere(KeptText& kept) {
  startsLine_ = AtLineStart();
  if (!file_) {
    const size_t rest = text_.size() - pos_;
    kept.Reserve(rest);
    if (rest > 0) std::memcpy(kept.Data(), text_.data() + pos_, rest);
    kept.SetSize(rest);
    text_ = kept.View();
    pos_ = 0;
    return;
  }
  // Room for the rest of the file as found on opening, one byte over so
  // that the read that finds the end needs no more.
  const size_t buffered = filled_ - pos_;
  const int64_t expected = fileSize_ - piecesBefore_ - static_cast<int64_t>(pos_);
  size_t room = buffered + kKeptPieceBytes;
  if (expected >= 0 && expected < INT64_MAX / 2) room = std::max(room, static_cast<size_t>(expected) + 1);
  kept.Reserve(room);
  if (buffered > 0) std::memcpy(kept.Data(), buffer_.get() + pos_, buffered);
  kept.SetSize(buffered);
  keep_ = &kept;
  keptFilled_ = buffered;
  pieceStart_ = 0;
  piecesBefore_ += static_cast<int64_t>(pos_);
  text_ = std::string_view(kept.Data(), text_.size() - pos_);
  pos_ = 0;
}

bool FieldReader::NextKeptPiece() {
  KeptText& kept = *keep_;
  piecesBefore_ += static_cast<int64_t>(text_.size());
  pieceStart_ += text_.size();
  pos_ = 0;
  startsLine_ = true;  // a piece ends after a line end
  for (;;) {
    if (!fileEnded_) {
      if (keptFilled_ == kept.Capacity()) {  // the file grew since it was opened
        kept.SetSize(keptFilled_);
        kept.Grow(keptFilled_ * 2);
      }
      // Pieces of twice the buffer's size (tests read in tiny ones).
      const size_t want = std::min(std::min(kKeptPieceBytes, capacity_ * 2), kept.Capacity() - keptFilled_);
      const size_t got = std::fread(kept.Data() + keptFilled_, 1, want, file_);
      keptFilled_ += got;
      kept.SetSize(keptFilled_);
      if (got < want) {
        if (std::ferror(file_)) {
          common::Fail(FailureClass::FileNotFound, "cannot read the compiled network file " + fileName_);
        }
        fileEnded_ = true;
      }
    }
    // As in NextPiece: the piece ends after its last complete line end.
    const char* b = kept.Data();
    size_t end = keptFilled_;
    if (!fileEnded_) {
      while (end > pieceStart_ && !(b[end - 1] == '\n' || (b[end - 1] == '\r' && end < keptFilled_))) --end;
    }
    if (end > pieceStart_ || fileEnded_) {
      text_ = std::string_view(b + pieceStart_, end - pieceStart_);
      return end > pieceStart_;
    }
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
