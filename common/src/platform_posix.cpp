#ifndef _WIN32
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/platform.h"

namespace common {

// Paths are bytes here, whatever the encoding.
void SetPathEncoding(PathEncoding) {}

std::string PathFromSystemText(const std::string& text) { return text; }

std::filesystem::path FilesystemPath(const std::string& path) { return std::filesystem::path(path); }

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool IdentifyFile(std::FILE* file, FileIdentity& identity) {
  struct stat st {};
  if (fstat(fileno(file), &st) != 0) return false;
  identity.device = static_cast<uint64_t>(st.st_dev);
  identity.file = static_cast<uint64_t>(st.st_ino);
  identity.size = static_cast<int64_t>(st.st_size);
#if defined(__linux__)
  identity.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
  identity.modified = static_cast<int64_t>(st.st_mtime);
#endif
  return true;
}

bool SeekFile(std::FILE* file, int64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

std::string ProgramFolder() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) {
      std::string path(buf.data(), static_cast<size_t>(n));
      size_t slash = path.rfind('/');
      return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    buf.resize(buf.size() * 2);
  }
}

bool ReplaceFileWith(const std::string& from, const std::string& to, std::string* error) {
#if defined(__linux__) && defined(SYS_renameat2) && defined(RENAME_EXCHANGE)
  // An existing file is exchanged with the new one, which takes its name in
  // one step as a rename over it would, and then removed. ext4 writes the
  // new file back and frees the old one's blocks inside a rename over an
  // existing file, not inside an exchange: three to seven times as fast.
  struct stat existing {};
  if (lstat(to.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
    std::remove(from.c_str());
    return true;
  }
#endif
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  if (error) *error = std::strerror(errno);
  return false;
}

void RemoveFileQuietly(const std::string& path) { std::remove(path.c_str()); }

void ShowNotice(const char* text) {
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

SharedLibrary::~SharedLibrary() = default;

bool SharedLibrary::Open(const std::string& nameOrPath) {
  handle_ = dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = dlerror();
    error_ = e ? e : "cannot load " + nameOrPath;
    return false;
  }
  return true;
}

void* SharedLibrary::Resolve(const char* symbol) {
  if (!handle_) return nullptr;
  dlerror();
  void* p = dlsym(handle_, symbol);
  if (!p) {
    const char* e = dlerror();
    error_ = e ? e : std::string("no export ") + symbol;
  }
  return p;
}

}  // namespace common
#endif
