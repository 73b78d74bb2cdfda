#pragma once
// The thin layer over the operating system: one POSIX and one Windows
// implementation, chosen at build time.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace common {

// How this process's narrow path texts are encoded. On POSIX a path is bytes
// either way. On Windows the deliverables take paths in the system code page,
// as their 8-bit interfaces do (the default); the tools read their arguments
// as UTF-16 and carry paths as UTF-8, so a folder name with any letter works
// whatever the code page. Set once, at the start of main.
enum class PathEncoding { SystemCodePage, Utf8 };
void SetPathEncoding(PathEncoding encoding);

// A path as a text file of the system holds it (8-bit, in the system code
// page: a project path in "Control.dat"), in this process's encoding.
std::string PathFromSystemText(const std::string& text);

// A std::filesystem path for a path in this process's encoding. Use it, not
// the narrow-string constructor, for every path that may hold a letter
// beyond ASCII: on Windows GCC's library reads a narrow path byte by byte
// as Latin-1 (though its string() writes UTF-8), so "Modèle" in UTF-8 would
// name "ModÃ¨le".
std::filesystem::path FilesystemPath(const std::string& path);

// std::fopen for a path in this process's encoding; on Windows through the
// wide API. nullptr when the file cannot be opened (errno set).
std::FILE* OpenFile(const std::string& path, const char* mode);

// What tells one file's content from another's without reading it: the
// file (device and file number, or volume and file id on Windows), its size
// and the time it was last written. A file rewritten in place or replaced by
// another under its name has a different identity.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t file = 0;
  int64_t size = 0;
  int64_t modified = 0;  // in the system's finest unit
  bool operator==(const FileIdentity&) const = default;
};
// The identity of an open file; false when the system cannot tell.
bool IdentifyFile(std::FILE* file, FileIdentity& identity);
// Moves an open file's position to offset bytes from its start (beyond 2 GB
// too, where long has 32 bits).
bool SeekFile(std::FILE* file, int64_t offset);

// The folder separator written in front of the driver's fixed file names.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Folder that holds the running program file, without a trailing separator,
// in this process's path encoding. Empty when the system cannot tell. On
// Windows, a folder the system code page cannot spell is given by its short
// (8.3) name where the volume keeps one, so the driver still finds its files.
std::string ProgramFolder();

// Renames from over to, replacing to atomically (rename / MoveFileExW with
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
