#pragma once
// Runs a command through the system's command interpreter and waits for it,
// without a time-out.
#include <cstdint>

namespace pellmar {

// command: length characters (no terminator needed); trailing blanks are
// dropped. Returns the command's exit code, or -1 when it cannot be started
// or the wait fails.
// Windows: "<system folder>\cmd.exe /c <command>" through CreateProcessA,
// with the caller's environment, current folder and default console.
// POSIX: /bin/sh -c <command>, where a first word that names an executable
// file in the current folder is run from there ("./<word>"), as the Windows
// interpreter looks in the current folder before the search path. A command
// ended by a signal gives 128 + the signal's number.
int32_t RunCommand(const char* command, int32_t length);

}  // namespace pellmar
