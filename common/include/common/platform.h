#pragma once
// The thin layer over the operating system: one POSIX and one Windows
// implementation, chosen at build time.
#include <string>

namespace common {

// The folder separator written in front of the driver's fixed file names.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Folder that holds the running program file, without a trailing separator.
// Empty when the system cannot tell.
std::string ProgramFolder();

// Renames from over to, replacing to atomically (rename / MoveFileExA with
// MOVEFILE_REPLACE_EXISTING). Returns false and fills *error on failure.
bool ReplaceFileWith(const std::string& from, const std::string& to, std::string* error);

// Removes a file; failures are ignored (used to clean up temporaries).
void RemoveFileQuietly(const std::string& path);

// A message for the person at the machine. On Windows a modal box with one
// OK button when the process has an interactive desktop; otherwise, and on
// every POSIX system, one line on standard error.
void ShowNotice(const char* text);

// A shared library loaded at run time by path or bare name.
class SharedLibrary {
 public:
  SharedLibrary() = default;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  ~SharedLibrary();  // leaves the library loaded: callers keep it for the run

  bool Open(const std::string& nameOrPath);  // false: see Error()
  void* Resolve(const char* symbol);          // nullptr: see Error()
  const std::string& Error() const { return error_; }
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace common
