#pragma once
// quenby titles: the input columns a caller supplies, in order.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

extern const char* const kTitlesUsage;
int RunTitles(const std::string& project, std::ostream& out);

}  // namespace tools
