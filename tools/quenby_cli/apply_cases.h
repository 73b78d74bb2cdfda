#pragma once
// The cases `quenby apply` hands to a network: a table with a header row,
// read under the tools' input rules (input_table.h). Only the columns the
// network takes are read as numbers; the others may hold anything.
#include <string>
#include <vector>

#include "input_table.h"

namespace tools {

struct ApplyCases {
  std::vector<std::vector<double>> rows;  // one value per expected title, in order
  std::vector<long> lines;                // line of each row in the file
};

// Throws common::Failure naming the file, the line, the row and the column.
ApplyCases ReadApplyCases(const std::string& path, const std::vector<std::string>& expected, DecimalMark decimal);

}  // namespace tools
