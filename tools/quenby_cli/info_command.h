#pragma once
// quenby info: what a compiled network holds, for a person to read.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

extern const char* const kInfoUsage;
int RunInfo(const std::string& project, std::ostream& out);

}  // namespace tools
