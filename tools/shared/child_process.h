#pragma once
// Starts a program in a given folder, sends its standard error to a file
// and waits for it: how pellmar-run runs copies of the driver.
#include <string>
#include <vector>

namespace tools {

struct ChildOutcome {
  bool started = false;
  int exitCode = -1;   // 128 + the signal's number when a signal ended it
  std::string error;   // why it could not be started
};

// Runs program (a path) with no arguments, with folder as its current
// folder and standard error (and output) appended to errorFile. environment:
// "NAME=value" entries set for the child beside the caller's own.
ChildOutcome RunChild(const std::string& program, const std::string& folder, const std::string& errorFile,
                      const std::vector<std::string>& environment = {});

}  // namespace tools
