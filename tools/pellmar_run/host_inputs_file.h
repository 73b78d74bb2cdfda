#pragma once
// The host inputs pellmar-run hands to the model: 510 numbers, one per line
// or as comma-separated fields, with an optional header line.
#include <string>
#include <string_view>
#include <vector>

namespace tools {

inline constexpr int kHostInputCount = 510;

// Parses text (name is used in messages). Fields are separated by commas,
// blanks, tabs and line ends; blank lines are skipped; a first line that
// holds no number is a header. Throws common::Failure naming file and line
// for a field that is not a number, and for a count other than 510.
std::vector<double> ParseHostInputs(std::string_view text, const std::string& name);
std::vector<double> ReadHostInputs(const std::string& path);

}  // namespace tools
