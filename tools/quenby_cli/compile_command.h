#pragma once
// quenby compile: the project files into PROJECT.DLLFile.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

extern const char* const kCompileUsage;
int RunCompile(const std::string& project, std::ostream& out);

}  // namespace tools
