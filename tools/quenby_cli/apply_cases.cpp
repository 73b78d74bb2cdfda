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

DomainReport CheckTrainingRanges(const ApplyCases& cases, const std::vector<quenby::NetworkColumn>& columns, const std::string& project) {
  DomainReport report;
  for (size_t i = 0; i < cases.rows.size(); ++i) {
    DomainCheck check;
    OutsideInput worst;
    for (size_t j = 0; j < cases.rows[i].size() && j < columns.size(); ++j) {
      const double v = cases.rows[i][j], excess = RangeExcess(v, columns[j].min, columns[j].max);
      if (excess == 0) continue;
      ++check.outside;
      check.inputs.push_back("\"" + columns[j].title + "\"");
      if (excess > worst.excess) worst = {project, columns[j].title, v, columns[j].min, columns[j].max, excess, 0};
    }
    if (check.outside) check.worst.push_back(worst);
    report.Add(i, cases.lines[i], check);
  }
  return report;
}

}  // namespace tools
