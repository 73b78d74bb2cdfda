#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "launcher.h"

namespace pellmar {

int32_t RunCommand(const char* command, int32_t length) {
  if (!command || length < 0) return -1;
  // Room for the system folder (MAX_PATH), "\cmd.exe /c " and the command.
  const DWORD size = static_cast<DWORD>(length) + 274;
  char* buffer = static_cast<char*>(std::calloc(size, 1));
  if (!buffer) return -1;
  UINT folderLength = GetSystemDirectoryA(buffer, size);
  if (folderLength == 0 || folderLength >= size) {
    std::free(buffer);
    return -1;
  }
  std::strcat(buffer, "\\cmd.exe /c ");
  size_t prefix = std::strlen(buffer);
  size_t room = size - 1 - prefix;
  size_t take = static_cast<size_t>(length) < room ? static_cast<size_t>(length) : room;
  std::strncat(buffer, command, take);
  // Trailing blanks of the command text are not part of the command.
  size_t end = std::strlen(buffer);
  while (end > prefix && buffer[end - 1] == ' ') --end;
  buffer[end] = '\0';

  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  if (!CreateProcessA(nullptr, buffer, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    std::free(buffer);
    return -1;
  }
  int32_t result = -1;
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_FAILED) {
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process.hProcess, &exitCode)) result = static_cast<int32_t>(exitCode);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::free(buffer);
  return result;
}

}  // namespace pellmar
#endif
