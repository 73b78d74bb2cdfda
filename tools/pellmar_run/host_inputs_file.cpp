#include "host_inputs_file.h"

#include <algorithm>
#include <cctype>

#include "common/failure.h"
#include "common/text_file.h"

namespace tools {

using common::FailAt;
using common::FailureClass;

namespace {

// "h17" -> 17; 0 for any other title.
int HostVariableTitle(const std::string& title) {
  if (title.size() < 2 || (title[0] != 'h' && title[0] != 'H')) return 0;
  int n = 0;
  for (size_t i = 1; i < title.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(title[i])) || n > kHostInputCount) return 0;
    n = n * 10 + (title[i] - '0');
  }
  return n >= 1 && n <= kHostInputCount && title[1] != '0' ? n : 0;
}

// Which column holds each host variable.
std::vector<size_t> InputColumns(const InputTable& table) {
  std::vector<size_t> columns(kHostInputCount);
  if (table.hasHeader) {
    std::vector<bool> seen(kHostInputCount + 1);
    int titled = 0;
    for (size_t j = 0; j < table.header.size(); ++j)
      if (int v = HostVariableTitle(table.header[j]); v && !seen[static_cast<size_t>(v)]) {
        seen[static_cast<size_t>(v)] = true;
        columns[static_cast<size_t>(v - 1)] = j;
        ++titled;
      }
    if (titled == kHostInputCount) return columns;
    // Partly titled: taken by position, as long as no title says otherwise.
    for (size_t j = 0; j < table.header.size(); ++j)
      if (int v = HostVariableTitle(table.header[j]); v && static_cast<size_t>(v) != j + 1)
        FailAt(FailureClass::Subscript,
               "column " + std::to_string(j + 1) + " is titled \"" + table.header[j] + "\" but holds host input " + std::to_string(j + 1) +
                   " by position: title all 510 host inputs h1 to h510, or none",
               table.name, 1);
  }
  for (size_t k = 0; k < columns.size(); ++k) columns[k] = k;
  return columns;
}

Realizations FromTable(const InputTable& table) {
  RefuseDuplicateTitles(table.header, table.name);
  Realizations r;
  r.name = table.name;
  const std::vector<size_t> columns = InputColumns(table);
  for (size_t i = 0; i < table.rows.size(); ++i) {
    std::vector<double> row(kHostInputCount);
    for (size_t k = 0; k < columns.size(); ++k) {
      if (columns[k] >= table.rows[i].size())
        FailAt(FailureClass::Subscript,
               "row " + std::to_string(i + 1) + ": expected 510 host inputs, the line holds " + std::to_string(table.rows[i].size()) +
                   " fields",
               table.name, table.rowLines[i]);
      row[k] = table.Number(i, columns[k]);
    }
    r.rows.push_back(std::move(row));
    r.lines.push_back(table.rowLines[i]);
  }
  return r;
}

}  // namespace

Realizations ParseRealizations(std::string_view text, const std::string& name, DecimalMark decimal) {
  Realizations r = FromTable(ParseInputTable(text, name, {false, decimal}));
  if (r.rows.empty()) FailAt(FailureClass::EndOfFile, "no realizations: the file holds no row of numbers", name, 0);
  return r;
}

Realizations ReadRealizations(const std::string& path, DecimalMark decimal) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) FailAt(FailureClass::FileNotFound, "cannot open the realizations", path, 0);
  return ParseRealizations(text, path, decimal);
}

std::vector<double> ParseHostInputs(std::string_view text, const std::string& name, DecimalMark decimal) {
  InputTable table = ParseInputTable(text, name, {false, decimal});
  if (table.rows.size() == 1 && table.rows[0].size() >= static_cast<size_t>(kHostInputCount)) return FromTable(table).rows[0];
  if (table.hasHeader && table.header.size() > 1) RefuseDuplicateTitles(table.header, name);
  // 510 numbers however they are spread over the lines; blanks and tabs
  // separate them too.
  std::vector<double> values;
  const bool pairs = !table.decimalComma && std::any_of(table.rows.begin(), table.rows.end(), [](const auto& r) { return r.size() == 2; });
  const std::string hint = pairs ? " (decimal commas? give --decimal-comma)" : "";
  for (size_t i = 0; i < table.rows.size(); ++i) {
    for (const std::string& cell : table.rows[i]) {
      size_t pos = 0;
      bool any = false;
      while (pos <= cell.size()) {
        size_t b = cell.find_first_not_of(" \t", pos);
        if (b == std::string::npos) break;
        size_t e = cell.find_first_of(" \t", b);
        if (e == std::string::npos) e = cell.size();
        const std::string field = cell.substr(b, e - b);
        double v = 0;
        if (!ParseCell(field, table.decimalComma, v))
          FailAt(FailureClass::TypeMismatch,
                 "host input " + std::to_string(values.size() + 1) + ": expected a number, found \"" + field + "\"", name,
                 table.rowLines[i]);
        if (values.size() == kHostInputCount)
          FailAt(FailureClass::Subscript, "expected 510 host inputs, found more" + hint, name, table.rowLines[i]);
        values.push_back(v);
        any = true;
        pos = e;
      }
      if (!any)
        FailAt(FailureClass::TypeMismatch, "host input " + std::to_string(values.size() + 1) + ": expected a number, found an empty field",
               name, table.rowLines[i]);
    }
  }
  if (values.size() != kHostInputCount)
    FailAt(FailureClass::EndOfFile,
           "expected 510 host inputs, found " + std::to_string(values.size()) + hint,
           name, 0);
  return values;
}

std::vector<double> ReadHostInputs(const std::string& path, DecimalMark decimal) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) FailAt(FailureClass::FileNotFound, "cannot open the host inputs", path, 0);
  return ParseHostInputs(text, path, decimal);
}

}  // namespace tools
