#pragma once
// The host inputs pellmar-run hands to the model, under the tools' input
// table rules (input_table.h).
//
// One calculation (INPUTS): 510 numbers, one per line or as fields of a few
// lines, with an optional header line; or a table of one row, read as a
// realizations file.
//
// Realizations (--realizations): one realization per row, an optional
// header. When the header titles columns "h1" to "h510" (any letter case)
// those are the inputs, in any order; otherwise a row's first 510 fields
// are. Other columns are ignored whatever they hold.
#include <string>
#include <string_view>
#include <vector>

#include "input_table.h"

namespace tools {

inline constexpr int kHostInputCount = 510;

struct Realizations {
  std::string name;
  std::vector<std::vector<double>> rows;  // 510 each
  std::vector<long> lines;                // line of each row in the file
};

// Throw common::Failure naming the file, line, row and column.
Realizations ParseRealizations(std::string_view text, const std::string& name, DecimalMark decimal = DecimalMark::Recognise);
Realizations ReadRealizations(const std::string& path, DecimalMark decimal = DecimalMark::Recognise);

std::vector<double> ParseHostInputs(std::string_view text, const std::string& name, DecimalMark decimal = DecimalMark::Recognise);
std::vector<double> ReadHostInputs(const std::string& path, DecimalMark decimal = DecimalMark::Recognise);

}  // namespace tools
