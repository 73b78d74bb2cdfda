#ifdef _WIN32
#include <windows.h>

#include "common/held_file.h"
#include "common/platform.h"

namespace common {

namespace {

std::string ErrorText(DWORD code) {
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf, nullptr);
  while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == ' ' || buf[n - 1] == '.')) --n;
  std::string text(buf, n);
  return text.empty() ? "system error " + std::to_string(code) : text;
}

// The path in this process's encoding (platform.h), for the wide API.
bool Widen(const std::string& path, std::wstring& wide) {
  const UINT codePage = CurrentPathEncoding() == PathEncoding::Utf8 ? CP_UTF8 : CP_ACP;
  const int size = static_cast<int>(path.size());
  if (size == 0) {
    wide.clear();
    return true;
  }
  const int n = MultiByteToWideChar(codePage, 0, path.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide.assign(static_cast<size_t>(n), L'\0');
  return MultiByteToWideChar(codePage, 0, path.data(), size, wide.data(), n) == n;
}

}  // namespace

HeldFile::~HeldFile() { Release(); }

bool HeldFile::IsHeld() const { return handle_ != nullptr; }

void HeldFile::Release() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

HeldFile::Outcome HeldFile::Hold(const std::string& path) {
  Release();
  // Others may read it and rename it, but no one else may open it for
  // writing while it is held: that open fails with a sharing violation.
  std::wstring wide;
  if (!Widen(path, wide)) {
    error_ = "the path cannot be converted to the system's wide text";
    return Outcome::Failed;
  }
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) return Outcome::Busy;
    error_ = ErrorText(e);
    return Outcome::Failed;
  }
  handle_ = h;
  return Outcome::Held;
}

bool HeldFile::Rewrite(std::string_view content) {
  HANDLE h = static_cast<HANDLE>(handle_);
  if (!h) {
    error_ = "the file is not held";
    return false;
  }
  if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(h)) {
    error_ = ErrorText(GetLastError());
    return false;
  }
  size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(content.size() - done > (1u << 30) ? (1u << 30) : content.size() - done);
    DWORD written = 0;
    if (!WriteFile(h, content.data() + done, chunk, &written, nullptr) || written == 0) {
      error_ = ErrorText(GetLastError());
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace common
#endif
