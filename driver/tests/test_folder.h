#pragma once
// Helpers of the driver's and the adapter's tests: whole-file writing and
// reading, and running a program with a time-out so that nothing can hang.
// The temporary folder and the current-folder guard are the shared ones.
#include <string>

#include "testing/temp_folder.h"

namespace testing_support {

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);  // "" when missing
bool Exists(const std::string& path);
void CopyFile(const std::string& from, const std::string& to);  // keeps the mode bits

struct RunResult {
  int exitCode = -1;  // -1: could not be started, killed or timed out
  bool timedOut = false;
  std::string errorText;  // what the program wrote to standard error
};

// POSIX only. Runs program (no arguments) from the current folder and waits at most
// timeoutSeconds; its standard error is collected through a file in folder.
RunResult RunProgram(const std::string& program, const std::string& folder, int timeoutSeconds = 60);

}  // namespace testing_support
