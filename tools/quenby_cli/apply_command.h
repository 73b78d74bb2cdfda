#pragma once
// quenby apply: the network applied to a table of cases, the results
// written or compared with expected ones.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

extern const char* const kApplyUsage;
// args: the options and arguments after "apply". Throws UsageError on a
// wrong command line; returns 0, or 3 when --compare finds differences.
int RunApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal);

}  // namespace tools
