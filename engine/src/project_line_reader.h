#pragma once
// Streaming reader over one of the training program's project files. Every
// item of these files is one whole line; a line is returned without its
// CR LF (a bare LF ends a line too). Only a bounded buffer is held, so a data
// file of millions of lines reads in constant memory.
//
// Every failure names the file and the line it concerns.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/failure.h"

namespace quenby {

class ProjectLineReader {
 public:
  // Opens path for reading; a file that cannot be opened is file-not-found.
  explicit ProjectLineReader(std::string path);
  ~ProjectLineReader();
  ProjectLineReader(const ProjectLineReader&) = delete;
  ProjectLineReader& operator=(const ProjectLineReader&) = delete;

  const std::string& Path() const { return path_; }
  // Number of the line returned last (0 before the first).
  int64_t LineNumber() const { return line_; }

  // Next line, or false at the end of the file. The view lives until the
  // next call.
  bool Next(std::string_view& line);
  // Next line; the end of the file is an end-of-file failure naming what was
  // expected.
  std::string_view Line(std::string_view what);
  // Reads and drops n lines (none when n <= 0).
  void Skip(int64_t n, std::string_view what);
  // Reads lines until one equals marker exactly (true) or the file ends
  // (false; every later read then fails with end of file).
  bool SearchTo(std::string_view marker);

  // Line conversions. A count is the line's number rounded to the nearest
  // integer, halves to even; blanks around it are allowed. Not a number:
  // type mismatch; beyond the type's range: overflow.
  int16_t Count16(std::string_view what);
  int32_t Count32(std::string_view what);
  double Real(std::string_view what);
  // "True"/"False" (any letter case) or a number, 0 being false.
  bool Boolean(std::string_view what);
  // As Count16, for a count that sizes a table: below 0 is a subscript
  // failure, as a table with a negative upper bound would be.
  int16_t Size16(std::string_view what);
  int32_t Size32(std::string_view what);

  // The same conversions of a line already read (the last one returned).
  int16_t ToCount16(std::string_view text, std::string_view what) const;
  int32_t ToCount32(std::string_view text, std::string_view what) const;
  double ToReal(std::string_view text, std::string_view what) const;

  // Fails with end of file, before anything is allocated, when n number
  // lines cannot fit in what is left of the file (each needs a digit and all
  // but the last a line end). what names the run, e.g. "weights of set
  // \"Best\"".
  void RequireNumberLines(int64_t n, std::string_view what) const;
  // Bytes of the file not yet returned as lines.
  int64_t RemainingBytes() const;

  // Failure at the current line.
  [[noreturn]] void FailHere(common::FailureClass cls, std::string_view what) const;

 private:
  bool Fill();  // false when nothing more could be read
  int64_t ToInteger(std::string_view text, std::string_view what, int64_t lo, int64_t hi,
                    std::string_view typeName) const;

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buf_;
  size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  int64_t line_ = 0;
  int64_t fileSize_ = -1;
  int64_t consumed_ = 0;  // bytes of the file returned as lines so far
};

}  // namespace quenby
