#pragma once
// Reads a text as a stream of fields and whole lines, the way the compiled
// network file is read. Every failure names the file and the line: end of
// file, type mismatch (a field that is not a number, a Boolean that is
// neither "True" nor "False") and overflow (a count too large for its type).
//
// A file is read in pieces of whole lines through one small buffer, so that
// loading a large file touches little fresh memory; fields never span a line
// end, so no field is ever split between two pieces.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "byte_hash.h"
#include "common/failure.h"
#include "common/platform.h"
#include "kept_text.h"

namespace quenby {

class FieldReader {
 public:
  // text must outlive the reader; fileName is used in messages only.
  // firstLine: the line number of the text's first byte in its file, and
  // startsLine whether that byte starts a line there.
  FieldReader(std::string_view text, std::string fileName, long firstLine = 1, bool startsLine = true);
  // Reads the file at path; a file that cannot be opened is a file-not-found
  // failure naming it, and so is one whose reading fails later.
  // pieceBytes is the buffer's starting size (a longer line enlarges it).
  explicit FieldReader(const std::string& path, size_t pieceBytes = size_t{1} << 16);
  ~FieldReader();
  FieldReader(const FieldReader&) = delete;
  FieldReader& operator=(const FieldReader&) = delete;

  // The rest of the current line, without its line end (CR LF, LF or CR);
  // moves to the start of the next line. End of file when nothing is left.
  // The view is valid until the next read.
  std::string_view ReadLine(std::string_view what);

  // Number fields end at a blank, a comma or a line end; blanks and empty
  // lines before them are skipped. Integers are rounded half to even, as a
  // fraction converted to a count always was, and must fit their type.
  double ReadDouble(std::string_view what);
  // count number fields into out[0..count-1]: the same as count calls of
  // ReadDouble, with less work per number.
  void ReadDoubles(double* out, int64_t count, std::string_view what);
  // Moves past count number fields exactly as ReadDoubles would, failing
  // where and as it would, but converts only the lines that the bulk check
  // (number_line_scan.h) cannot vouch for.
  void SkipDoubles(int64_t count, std::string_view what);
  int16_t ReadInt16(std::string_view what);
  int32_t ReadInt32(std::string_view what);
  // A count: an Int16 of 0 or more (a negative count is a subscript failure,
  // as a table (0 To -1) would be).
  int16_t ReadCount(std::string_view what);
  // "True" -> -1, "False" -> 0.
  int16_t ReadBoolean(std::string_view what);
  // A text field: from its first non-blank character to the next comma or
  // line end; one that starts with a double quote ends at the closing quote,
  // both quotes dropped. An empty line reads as an empty text.
  std::string ReadText(std::string_view what);

  // Fails with end of file unless at least `values` more bytes remain: every
  // value of a run needs at least one, so a count that promises more values
  // than the file can hold is refused before anything is allocated for it.
  void RequireRoom(int64_t values, std::string_view what) const;

  // From the current position on, every byte the reader reads is kept in
  // kept, which must outlive the reading: the rest of a text at once, a
  // file piece by piece as the reading needs it (each piece is read while
  // it is still in the processor's cache).
  void KeepFromHere(KeptText& kept);

  // A file's bytes from the current position on are hashed as the reading
  // passes them, without being kept; EndHash gives where they lie and their
  // hash. Only a reader of a file hashes.
  struct Span {
    int64_t offset = 0;  // from the file's start
    int64_t bytes = 0;
    uint64_t hash = 0;
  };
  void HashFromHere();
  Span EndHash();
  // Back to offset bytes from the file's start, which lies on line `line`
  // (startsLine: at that line's start), as if the reading had just got
  // there. A file that cannot be positioned is a file-not-found failure.
  void Rewind(int64_t offset, long line, bool startsLine);
  // Whether the reader reads a file (not a text in memory), and its identity.
  bool ReadsFile() const { return file_ != nullptr; }
  bool Identify(common::FileIdentity& identity) const {
    return file_ != nullptr && common::IdentifyFile(file_, identity);
  }

  // Whether the current position is the start of a line.
  bool AtLineStart() const { return pos_ == 0 ? startsLine_ : IsLineEndByte(text_[pos_ - 1]); }
  // Line number (from 1) of the current position.
  long Line() const { return line_; }
  const std::string& FileName() const { return fileName_; }
  bool AtEnd() { return pos_ >= text_.size() && !NextPiece(); }

  // Throws cls with what, the file name and the current line.
  [[noreturn]] void FailHere(common::FailureClass cls, std::string_view what) const;

 private:
  // A number field rounded half to even, within lowest..highest (an
  // overflow failure naming what it must fit otherwise).
  int64_t ReadInteger(std::string_view what, int64_t lowest, int64_t highest, const char* fits);
  // Past blanks and empty lines to the next field; end of file if none.
  void SkipToField(std::string_view what);
  std::string_view NumberToken(std::string_view what, long& tokenLine);
  void SkipSeparator();
  void SkipLineEnd();
  // Replaces the finished piece of a file by the next whole lines (the rest
  // of the file at its end); false when nothing is left.
  bool NextPiece();
  bool NextKeptPiece();
  static bool IsLineEndByte(char c) { return c == '\r' || c == '\n'; }

  std::string_view text_;  // the piece being read: whole lines
  std::string fileName_;
  size_t pos_ = 0;  // within text_
  long line_ = 1;
  bool startsLine_ = true;  // whether text_ starts a line of the file

  // Reading a file: buffer_ holds the piece and the bytes read after it.
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t filled_ = 0;
  bool fileEnded_ = true;
  int64_t piecesBefore_ = 0;  // bytes of the file before the piece
  int64_t fileSize_ = 0;      // as found on opening

  // Hashing: the bytes of text_ from hashFrom_ on are still to be hashed.
  bool hashing_ = false;
  size_t hashFrom_ = 0;
  int64_t hashStart_ = 0;
  ByteHash hash_;

  // Keeping: the pieces follow each other in keep_'s storage.
  KeptText* keep_ = nullptr;
  size_t keptFilled_ = 0;  // bytes read into it
  size_t pieceStart_ = 0;  // where text_ starts in it
};

}  // namespace quenby
