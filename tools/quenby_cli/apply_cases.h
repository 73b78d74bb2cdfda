#pragma once
// The cases `quenby apply` hands to a network: a table with a header row,
// read under the tools' input rules (input_table.h). Only the columns the
// network takes are read as numbers; the others may hold anything.
#include <string>
#include <vector>

#include "input_table.h"
#include "quenby_network.h"
#include "training_range.h"

namespace tools {

struct ApplyCases {
  std::vector<std::vector<double>> rows;  // one value per expected title, in order
  std::vector<long> lines;                // line of each row in the file
};

// Throws common::Failure naming the file, the line, the row and the column.
ApplyCases ReadApplyCases(const std::string& path, const std::vector<std::string>& expected, DecimalMark decimal);

// The cases against the training ranges of the columns they feed
// (columns[j] for value j of a row).
DomainReport CheckTrainingRanges(const ApplyCases& cases, const std::vector<quenby::NetworkColumn>& columns, const std::string& project);

}  // namespace tools
