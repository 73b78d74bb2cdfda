#include "common/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <process.h>
#define QUENBY_GETPID _getpid
#else
#include <unistd.h>
#define QUENBY_GETPID getpid
#endif

#include "common/failure.h"
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

std::string TemporaryNameFor(const std::string& path) {
  return path + "." + std::to_string(QUENBY_GETPID()) + ".tmp";
}

void WriteFileReplacing(const std::string& path, std::string_view content) {
  const std::string temp = TemporaryNameFor(path);
  std::FILE* f = OpenFile(temp, "wb");
  if (!f) Fail(FailureClass::FileError, "cannot create " + temp + ": " + std::strerror(errno));
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  int savedErrno = errno;
  if (std::fflush(f) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    RemoveFileQuietly(temp);
    Fail(FailureClass::FileError, "cannot write " + path + ": " + std::strerror(savedErrno));
  }
  std::string error;
  if (!ReplaceFileWith(temp, path, &error)) {
    RemoveFileQuietly(temp);
    Fail(FailureClass::FileError, "cannot replace " + path + ": " + error);
  }
}

}  // namespace common
