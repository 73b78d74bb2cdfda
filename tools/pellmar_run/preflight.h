#pragma once
// pellmar-run looks at the working folder before it calculates: the driver
// and the engine there, "Control.dat" as the driver reads it, a folder it
// can write. A refusal leaves nothing behind (no "inputvars.dat").
#include <string>

namespace tools {

// Throws common::Failure naming every fault found, in one line.
void CheckWorkingFolder(const std::string& folder);

}  // namespace tools
