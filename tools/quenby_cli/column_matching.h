#pragma once
// Which column of a user's table feeds each input the network expects.
#include <string>
#include <vector>

namespace tools {

// For every expected title, the index of the header field that holds it.
// A header that begins with the expected titles in order is taken as it
// stands (further columns are ignored); otherwise columns are matched by
// title, in any order. Throws common::Failure naming file and line 1 for a
// missing or repeated column.
std::vector<size_t> MatchColumns(const std::vector<std::string>& expected, const std::vector<std::string>& header,
                                 const std::string& file);

}  // namespace tools
