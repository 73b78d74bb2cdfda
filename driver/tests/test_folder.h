#pragma once
// Helpers of the driver's and the adapter's tests: a fresh temporary folder
// per test, whole-file writing and reading, and running a program with a
// time-out so that nothing can hang.
#include <string>

namespace testing_support {

// A new empty folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

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

// Changes the current folder for the lifetime of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder);
  ~CurrentFolder();

 private:
  std::string previous_;
};

}  // namespace testing_support
