#pragma once
// The `quenby` command line: compile, titles, info and apply over the
// engine's C API, for a modeller who wants to see what a trained network
// does before it goes into the host.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

// Runs one command (args without the program name). Results go to out,
// messages to err, one line each. Returns the exit code: 0 done, 1 failed,
// 2 wrong usage, 3 apply --compare found differences beyond the tolerance.
// errIsTerminal turns on the progress bar of long tables.
int RunQuenby(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal);

}  // namespace tools
