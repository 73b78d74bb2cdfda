#pragma once
// The command line of a tool (quenby, pellmar-run, sample-generator).
#include <string>
#include <vector>

namespace common {

// The arguments without the program name. On Windows they are read as UTF-16
// from the system (the 8-bit argv cannot carry a letter outside the system
// code page, and the C run time garbles one it can under some code pages) and
// handed on as UTF-8; the process's paths are UTF-8 from then on. Elsewhere
// argv as it stands.
std::vector<std::string> ToolArguments(int argc, char** argv);

#ifdef _WIN32
// A Windows command line split as the C run time splits it (program name
// first), each argument as UTF-8.
std::vector<std::string> ArgumentsOfCommandLine(const wchar_t* commandLine);
#endif

}  // namespace common
