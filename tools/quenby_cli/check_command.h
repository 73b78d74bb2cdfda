#pragma once
// `quenby check [--inputs FILE] [FOLDER]`: a deployment folder read the way
// the driver and the engine would read it, one finding per line. The folder
// is never changed: compilations and the calculation run in a temporary
// copy.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

extern const char* const kCheckUsage;

// args without "check". Exit code: 0 no error (warnings allowed), 1 an
// error found, 2 wrong usage.
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tools
