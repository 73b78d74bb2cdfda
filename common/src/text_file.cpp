#include "common/text_file.h"

#include <cstdio>

#include "common/failure.h"
#include "common/held_file.h"
#include "common/platform.h"

namespace common {

bool ReadWholeFile(const std::string& path, std::string& out) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  out.clear();
  bool ok = true;
  // The size is only a hint: a folder opened as a file reports a huge one,
  // and the read that follows fails on it anyway.
  constexpr long kLargestHint = 1L << 30;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long size = std::ftell(f);
    if (size > 0 && size <= kLargestHint) out.reserve(static_cast<size_t>(size));
    std::rewind(f);
  }
  char buf[1 << 16];
  for (;;) {
    size_t n = std::fread(buf, 1, sizeof buf, f);
    out.append(buf, n);
    if (n < sizeof buf) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  return ok;
}

bool FileExists(const std::string& path) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

std::string TemporaryNameFor(const std::string& path) { return path + ".tmp"; }

void WriteFileReplacing(const std::string& path, std::string_view content) {
  // One fixed temporary per target: a process killed while writing leaves
  // at most that one, which the next write takes over. It is held while it
  // is written and renamed, so two writers of one target never mix.
  const std::string temp = TemporaryNameFor(path);
  HeldFile held;
  switch (held.Hold(temp)) {
    case HeldFile::Outcome::Held: break;
    case HeldFile::Outcome::Busy:
      Fail(FailureClass::FileError, "cannot write " + path + ": another process is writing it (" + temp + " is held)");
    case HeldFile::Outcome::Failed: Fail(FailureClass::FileError, "cannot create " + temp + ": " + held.Error());
  }
  if (!held.Rewrite(content)) {
    const std::string reason = held.Error();
    held.Release();
    RemoveFileQuietly(temp);
    Fail(FailureClass::FileError, "cannot write " + path + ": " + reason);
  }
  std::string error;
  const bool replaced = ReplaceFileWith(temp, path, &error);
  held.Release();
  if (!replaced) {
    RemoveFileQuietly(temp);
    Fail(FailureClass::FileError, "cannot replace " + path + ": " + error);
  }
}

}  // namespace common
