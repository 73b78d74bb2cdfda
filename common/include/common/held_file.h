#pragma once
// A file held open against other writers for as long as the holder lives:
// a second holder of the same file, in this process or another, is refused
// at once. On Windows the hold is the sharing mode of the open handle
// (readers and renames are let through, writers are not); on POSIX an
// advisory lock (flock) on it. No extra file is made, and the hold ends
// with the holder or its process, so a killed process leaves none behind.
#include <string>
#include <string_view>

namespace common {

class HeldFile {
 public:
  HeldFile() = default;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  ~HeldFile();

  enum class Outcome { Held, Busy, Failed };
  // Opens path for reading and writing, creating it when missing and
  // leaving its content as it is, and takes the hold. Busy: another holder
  // has it. Failed: it cannot be opened (see Error()).
  Outcome Hold(const std::string& path);
  // Replaces the whole content: from the start, then cut after it. False on
  // a failure to write (see Error()).
  bool Rewrite(std::string_view content);
  void Release();
  bool IsHeld() const;
  const std::string& Error() const { return error_; }

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::string error_;
};

}  // namespace common
