#ifdef _WIN32
#include <windows.h>

#include <cstdio>

#include "common/platform.h"

namespace common {

namespace {

std::string LastErrorText() {
  DWORD code = GetLastError();
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf, nullptr);
  while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == ' ' || buf[n - 1] == '.')) --n;
  std::string text(buf, n);
  return text.empty() ? "system error " + std::to_string(code) : text;
}

// A desktop a person can answer a box on: a visible window station (a
// service's is not). A console does not count against it: the driver is a
// console program, and the console that cmd.exe opens for it from the host
// closes with it, so a notice written there would never be read.
bool HasInteractiveDesktop() {
  HWINSTA station = GetProcessWindowStation();
  if (!station) return false;
  USEROBJECTFLAGS flags{};
  if (!GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return false;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

std::string ProgramFolder() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      size_t sep = buf.find_last_of("\\/");
      return sep == std::string::npos ? std::string() : buf.substr(0, sep);
    }
    buf.resize(buf.size() * 2);
  }
}

bool ReplaceFileWith(const std::string& from, const std::string& to, std::string* error) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  if (error) *error = LastErrorText();
  return false;
}

void RemoveFileQuietly(const std::string& path) { DeleteFileA(path.c_str()); }

void ShowNotice(const char* text) {
  // A box that could not be shown (no display: Wine answers -1 at once)
  // must not swallow the message.
  if (HasInteractiveDesktop() && MessageBoxA(nullptr, text, "Quenby", MB_OK) == IDOK) return;
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

SharedLibrary::~SharedLibrary() = default;

bool SharedLibrary::Open(const std::string& nameOrPath) {
  handle_ = reinterpret_cast<void*>(LoadLibraryA(nameOrPath.c_str()));
  if (!handle_) {
    error_ = "cannot load " + nameOrPath + ": " + LastErrorText();
    return false;
  }
  return true;
}

void* SharedLibrary::Resolve(const char* symbol) {
  if (!handle_) return nullptr;
  FARPROC p = GetProcAddress(reinterpret_cast<HMODULE>(handle_), symbol);
  if (!p) error_ = std::string("no export ") + symbol + ": " + LastErrorText();
  return reinterpret_cast<void*>(p);
}

}  // namespace common
#endif
