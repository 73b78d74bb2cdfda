#include "column_matching.h"

#include <algorithm>

#include "common/failure.h"

namespace tools {

using common::FailAt;
using common::FailureClass;

std::vector<size_t> MatchColumns(const std::vector<std::string>& expected, const std::vector<std::string>& header,
                                 const std::string& file) {
  std::vector<size_t> index(expected.size());
  if (header.size() >= expected.size() && std::equal(expected.begin(), expected.end(), header.begin())) {
    for (size_t j = 0; j < expected.size(); ++j) index[j] = j;
    return index;
  }
  for (size_t j = 0; j < expected.size(); ++j) {
    if (std::count(expected.begin(), expected.end(), expected[j]) > 1)
      FailAt(FailureClass::InvalidArgument,
             "the network has several inputs titled \"" + expected[j] + "\": give the columns in the order `quenby titles` lists them",
             file, 1);
    auto first = std::find(header.begin(), header.end(), expected[j]);
    if (first == header.end())
      FailAt(FailureClass::Subscript,
             "missing column \"" + expected[j] + "\" (input " + std::to_string(j + 1) + " of " + std::to_string(expected.size()) +
                 "; `quenby titles` lists them)",
             file, 1);
    if (std::find(first + 1, header.end(), expected[j]) != header.end())
      FailAt(FailureClass::InvalidArgument, "column \"" + expected[j] + "\" appears more than once", file, 1);
    index[j] = static_cast<size_t>(first - header.begin());
  }
  return index;
}

}  // namespace tools
