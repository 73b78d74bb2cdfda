#include "project_line_reader.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include "common/number_text.h"
#include "common/platform.h"

namespace quenby {

namespace {

constexpr size_t kInitialBuffer = size_t{1} << 20;

int64_t FileSizeOf(std::FILE* f) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  int64_t size = _ftelli64(f);
  if (_fseeki64(f, 0, SEEK_SET) != 0) return -1;
#else
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  int64_t size = ftello(f);
  if (fseeko(f, 0, SEEK_SET) != 0) return -1;
#endif
  return size;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A line shown in a message: quoted, cut short when long, control
// characters made visible.
std::string Shown(std::string_view text) {
  constexpr size_t kMax = 40;
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : text.substr(0, kMax)) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  if (text.size() > kMax) out += "...";
  out += '"';
  return out;
}

}  // namespace

ProjectLineReader::ProjectLineReader(std::string path) : path_(std::move(path)) {
  file_ = common::OpenFile(path_, "rb");
  if (!file_) {
    common::Fail(common::FailureClass::FileNotFound, "cannot open " + path_ + ": " + std::strerror(errno));
  }
  fileSize_ = FileSizeOf(file_);
  buf_.resize(kInitialBuffer);
}

ProjectLineReader::~ProjectLineReader() {
  if (file_) std::fclose(file_);
}

bool ProjectLineReader::Fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);  // a line longer than the buffer
  size_t n = std::fread(buf_.data() + end_, 1, buf_.size() - end_, file_);
  if (n == 0) {
    if (std::ferror(file_)) {
      common::FailAt(common::FailureClass::FileError, "cannot read the file", path_, line_ + 1);
    }
    eof_ = true;
    return false;
  }
  end_ += n;
  return true;
}

bool ProjectLineReader::Next(std::string_view& line) {
  size_t scanned = 0;  // bytes of the pending line already searched
  for (;;) {
    const char* start = buf_.data() + pos_;
    size_t avail = end_ - pos_;
    const void* nl = std::memchr(start + scanned, '\n', avail - scanned);
    if (nl) {
      size_t len = static_cast<size_t>(static_cast<const char*>(nl) - start);
      size_t n = len;
      if (n > 0 && start[n - 1] == '\r') --n;
      line = std::string_view(start, n);
      pos_ += len + 1;
      consumed_ += static_cast<int64_t>(len + 1);
      ++line_;
      return true;
    }
    scanned = avail;
    if (!Fill()) {
      if (pos_ == end_) return false;
      // Last line without a line end.
      start = buf_.data() + pos_;
      size_t n = end_ - pos_;
      consumed_ += static_cast<int64_t>(n);
      if (start[n - 1] == '\r') --n;
      line = std::string_view(start, n);
      pos_ = end_;
      ++line_;
      return true;
    }
  }
}

std::string_view ProjectLineReader::Line(std::string_view what) {
  std::string_view line;
  if (!Next(line)) {
    common::FailAt(common::FailureClass::EndOfFile,
                   "expected " + std::string(what) + ", found the end of the file", path_, line_ + 1);
  }
  return line;
}

void ProjectLineReader::Skip(int64_t n, std::string_view what) {
  const int64_t requested = n;
  while (n > 0) {
    const char* p = buf_.data() + pos_;
    const char* e = buf_.data() + end_;
    while (n > 0) {
      const void* nl = std::memchr(p, '\n', static_cast<size_t>(e - p));
      if (!nl) break;
      p = static_cast<const char*>(nl) + 1;
      --n;
      ++line_;
    }
    size_t taken = static_cast<size_t>(p - (buf_.data() + pos_));
    pos_ += taken;
    consumed_ += static_cast<int64_t>(taken);
    if (n == 0) return;
    if (!Fill()) {
      std::string_view last;
      if (Next(last)) --n;
      if (n > 0) {
        std::string expected = "expected " + std::string(what);
        if (requested > 1) expected += " (" + std::to_string(n) + " more lines)";
        common::FailAt(common::FailureClass::EndOfFile, expected + ", found the end of the file", path_, line_ + 1);
      }
      return;
    }
  }
}

bool ProjectLineReader::SearchTo(std::string_view marker) {
  std::string_view line;
  while (Next(line)) {
    if (line == marker) return true;
  }
  return false;
}

void ProjectLineReader::FailHere(common::FailureClass cls, std::string_view what) const {
  common::FailAt(cls, what, path_, line_);
}

int64_t ProjectLineReader::ToInteger(std::string_view text, std::string_view what, int64_t lo, int64_t hi,
                                     std::string_view typeName) const {
  double v = 0;
  bool overflow = false;
  if (!common::ParseNumber(text, v, &overflow)) {
    if (overflow) {
      FailHere(common::FailureClass::Overflow,
               std::string(what) + " = " + Shown(text) + " does not fit a " + std::string(typeName));
    }
    FailHere(common::FailureClass::TypeMismatch,
             "expected " + std::string(what) + " as a number, found " + Shown(text));
  }
  int64_t r = 0;
  if (!common::RoundHalfEven(v, r) || r < lo || r > hi) {
    FailHere(common::FailureClass::Overflow, std::string(what) + " = " + Shown(Trimmed(text)) +
                                                 " does not fit a " + std::string(typeName) + " (largest " +
                                                 std::to_string(hi) + ")");
  }
  return r;
}

int16_t ProjectLineReader::ToCount16(std::string_view text, std::string_view what) const {
  return static_cast<int16_t>(ToInteger(text, what, std::numeric_limits<int16_t>::min(),
                                        std::numeric_limits<int16_t>::max(), "16-bit count"));
}

int32_t ProjectLineReader::ToCount32(std::string_view text, std::string_view what) const {
  return static_cast<int32_t>(ToInteger(text, what, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max(), "32-bit count"));
}

double ProjectLineReader::ToReal(std::string_view text, std::string_view what) const {
  double v = 0;
  bool overflow = false;
  if (!common::ParseNumber(text, v, &overflow)) {
    if (overflow) {
      FailHere(common::FailureClass::Overflow,
               std::string(what) + " = " + Shown(text) + " lies beyond the range of a double");
    }
    FailHere(common::FailureClass::TypeMismatch,
             "expected " + std::string(what) + " as a number, found " + Shown(text));
  }
  return v;
}

int16_t ProjectLineReader::Count16(std::string_view what) { return ToCount16(Line(what), what); }
int32_t ProjectLineReader::Count32(std::string_view what) { return ToCount32(Line(what), what); }
double ProjectLineReader::Real(std::string_view what) { return ToReal(Line(what), what); }

bool ProjectLineReader::Boolean(std::string_view what) {
  std::string_view text = Line(what);
  std::string_view t = Trimmed(text);
  if (EqualsIgnoringCase(t, "True")) return true;
  if (EqualsIgnoringCase(t, "False")) return false;
  double v = 0;
  if (!common::ParseNumber(t, v)) {
    FailHere(common::FailureClass::TypeMismatch,
             "expected " + std::string(what) + " as True, False or a number, found " + Shown(text));
  }
  return v != 0.0;
}

int16_t ProjectLineReader::Size16(std::string_view what) {
  int16_t n = Count16(what);
  if (n < 0) {
    FailHere(common::FailureClass::Subscript,
             "expected " + std::string(what) + " of 0 or more, found " + std::to_string(n));
  }
  return n;
}

int32_t ProjectLineReader::Size32(std::string_view what) {
  int32_t n = Count32(what);
  if (n < 0) {
    FailHere(common::FailureClass::Subscript,
             "expected " + std::string(what) + " of 0 or more, found " + std::to_string(n));
  }
  return n;
}

int64_t ProjectLineReader::RemainingBytes() const {
  if (fileSize_ < 0) return std::numeric_limits<int64_t>::max();
  int64_t r = fileSize_ - consumed_;
  return r < 0 ? 0 : r;
}

void ProjectLineReader::RequireNumberLines(int64_t n, std::string_view what) const {
  if (n <= 0) return;
  int64_t remaining = RemainingBytes();
  if (n - 1 > remaining / 2 || 2 * n - 1 > remaining) {
    FailHere(common::FailureClass::EndOfFile,
             "expected " + std::to_string(n) + " lines of " + std::string(what) + ", but only " +
                 std::to_string(remaining) + " bytes remain in the file");
  }
}

}  // namespace quenby
