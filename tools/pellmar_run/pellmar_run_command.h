#pragma once
// pellmar-run: a small host. It loads the adapter library by name as the
// host does, hands it 510 inputs through interface_function and shows the
// four series of 100 values that come back, as a table and as a chart.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

// Runs with args (without the program name). Returns the exit code: 0 done,
// 1 failed, 2 wrong usage.
// errIsTerminal turns on the progress bar of --realizations.
int RunPellmar(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal = false);

// Titles of the four series from "Control.dat" in folder and the projects'
// data and flag files: network A's two outputs, then C's, then B's. Any
// title that cannot be found is replaced by a plain name.
std::vector<std::string> SeriesTitles(const std::string& folder);

}  // namespace tools
