#include "apply_cases.h"

#include "column_matching.h"

namespace tools {

ApplyCases ReadApplyCases(const std::string& path, const std::vector<std::string>& expected, DecimalMark decimal) {
  InputTable table = ReadInputTable(path, {true, decimal});
  RefuseDuplicateTitles(table.header, path, expected);
  const std::vector<size_t> index = MatchColumns(expected, table.header, path);
  ApplyCases cases;
  cases.rows.reserve(table.rows.size());
  for (size_t i = 0; i < table.rows.size(); ++i) {
    std::vector<double> row;
    row.reserve(index.size());
    for (size_t j : index) row.push_back(table.Number(i, j));
    cases.rows.push_back(std::move(row));
    cases.lines.push_back(table.rowLines[i]);
  }
  return cases;
}

}  // namespace tools
