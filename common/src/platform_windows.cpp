#ifdef _WIN32
#include <windows.h>

#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/platform.h"

namespace common {

namespace {

std::atomic<PathEncoding> pathEncoding{PathEncoding::SystemCodePage};

// The code page of this process's narrow paths: what the C run time's
// narrow file calls would use, unless the process carries UTF-8.
UINT NarrowCodePage() {
  if (pathEncoding.load() == PathEncoding::Utf8) return CP_UTF8;
  return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

// Narrow path text to UTF-16. False when it is not valid text in the code
// page (malformed UTF-8).
bool Widen(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  const UINT codePage = NarrowCodePage();
  const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  const int size = static_cast<int>(text.size());
  int n = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<size_t>(n));
  return MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), n) == n;
}

// UTF-16 to narrow text. False when a letter has no form in the code page
// (it is then replaced, never mapped to a look-alike that names another file).
bool Narrow(const std::wstring& wide, std::string& text) {
  text.clear();
  if (wide.empty()) return true;
  const UINT codePage = NarrowCodePage();
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  // UTF-8 has a form for every letter and takes neither flag nor default.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0) return false;
  text.resize(static_cast<size_t>(n));
  if (WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), n, nullptr, used) != n) return false;
  return !usedDefault;
}

std::string LastErrorText() {
  DWORD code = GetLastError();
  wchar_t buf[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf / sizeof buf[0], nullptr);
  while (n > 0 && (buf[n - 1] == L'\r' || buf[n - 1] == L'\n' || buf[n - 1] == L' ' || buf[n - 1] == L'.')) --n;
  std::string text;
  Narrow(std::wstring(buf, n), text);
  return text.empty() ? "system error " + std::to_string(code) : text;
}

std::wstring ModuleFile() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
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

void SetPathEncoding(PathEncoding encoding) { pathEncoding.store(encoding); }

std::string PathFromSystemText(const std::string& text) {
  if (pathEncoding.load() != PathEncoding::Utf8 || text.empty()) return text;
  const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
  const int size = static_cast<int>(text.size());
  int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return text;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
  std::string utf8;
  return Narrow(wide, utf8) ? utf8 : text;
}

std::filesystem::path FilesystemPath(const std::string& path) {
  std::wstring wide;
  if (!Widen(path, wide)) return std::filesystem::path(path);  // malformed: names no real file
  return std::filesystem::path(wide);
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  std::wstring widePath;
  if (!Widen(path, widePath)) {
    errno = EINVAL;
    return nullptr;
  }
  std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(widePath.c_str(), wideMode.c_str());
}

bool IdentifyFile(std::FILE* file, FileIdentity& identity) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  identity.size = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  identity.modified =
      static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime);
  return true;
}

bool SeekFile(std::FILE* file, int64_t offset) { return _fseeki64(file, offset, SEEK_SET) == 0; }

std::string ProgramFolder() {
  std::wstring file = ModuleFile();
  size_t sep = file.find_last_of(L"\\/");
  if (sep == std::wstring::npos) return {};
  const std::wstring folder = file.substr(0, sep);
  std::string narrow;
  if (Narrow(folder, narrow)) return narrow;
  // An 8-bit code page that cannot spell the folder: its short name is
  // plain ASCII and names the same folder.
  DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (n > 0) {
    std::wstring shortFolder(n, L'\0');
    n = GetShortPathNameW(folder.c_str(), shortFolder.data(), n);
    shortFolder.resize(n);
    std::string shortNarrow;
    if (n > 0 && Narrow(shortFolder, shortNarrow)) return shortNarrow;
  }
  return narrow;  // as the system's 8-bit call would spell it
}

bool ReplaceFileWith(const std::string& from, const std::string& to, std::string* error) {
  std::wstring wideFrom, wideTo;
  if (!Widen(from, wideFrom) || !Widen(to, wideTo)) {
    if (error) *error = "the path is not valid text";
    return false;
  }
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  if (error) *error = LastErrorText();
  return false;
}

void RemoveFileQuietly(const std::string& path) {
  std::wstring wide;
  if (Widen(path, wide)) DeleteFileW(wide.c_str());
}

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
  std::wstring wide;
  if (!Widen(nameOrPath, wide)) {
    error_ = "cannot load " + nameOrPath + ": the path is not valid text";
    return false;
  }
  handle_ = reinterpret_cast<void*>(LoadLibraryW(wide.c_str()));
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
