#include "input_table.h"

#include <algorithm>

#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"

namespace tools {

using common::FailAt;
using common::FailureClass;

namespace {

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// A semicolon outside quotes: the table comes from a spreadsheet that writes
// the decimal comma.
bool HasBareSemicolon(std::string_view line) {
  bool quoted = false;
  for (char ch : line) {
    if (ch == '"') quoted = !quoted;
    else if (ch == ';' && !quoted) return true;
  }
  return false;
}

bool AnyNumber(const std::vector<std::string>& fields, bool decimalComma) {
  double v;
  for (const auto& f : fields)
    if (ParseCell(f, decimalComma, v)) return true;
  return false;
}

}  // namespace

bool SplitFields(std::string_view line, char separator, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  size_t i = 0;
  for (;;) {
    field.clear();
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i < line.size() && line[i] == '"') {
      ++i;
      for (;;) {
        if (i >= line.size()) return false;
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
      while (i < line.size() && line[i] != separator) {
        if (line[i] != ' ' && line[i] != '\t') return false;
        ++i;
      }
    } else {
      while (i < line.size() && line[i] != separator) field += line[i++];
      while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.pop_back();
    }
    fields.push_back(field);
    if (i >= line.size()) return true;
    ++i;  // the separator
  }
}

bool ParseCell(std::string_view cell, bool decimalComma, double& out) {
  if (!decimalComma) return common::ParseNumber(cell, out);
  // "1.234,5" may mean 1234.5 or be a mistake: only one mark is read.
  if (cell.find('.') != std::string_view::npos && cell.find(',') != std::string_view::npos) return false;
  std::string text(cell);
  std::replace(text.begin(), text.end(), ',', '.');
  return common::ParseNumber(text, out);
}

void RefuseDuplicateTitles(const std::vector<std::string>& header, const std::string& name,
                           const std::vector<std::string>& allowed) {
  for (size_t j = 0; j < header.size(); ++j) {
    if (header[j].empty()) continue;
    auto again = std::find(header.begin() + static_cast<long>(j) + 1, header.end(), header[j]);
    if (again == header.end()) continue;
    if (std::count(header.begin(), header.end(), header[j]) <= std::count(allowed.begin(), allowed.end(), header[j])) continue;
    FailAt(FailureClass::InvalidArgument,
           "the column title \"" + header[j] + "\" appears twice (columns " + std::to_string(j + 1) + " and " +
               std::to_string(again - header.begin() + 1) + "): which one is meant?",
           name, 1);
  }
}

std::string InputTable::ColumnName(size_t column) const {
  std::string s = "column " + std::to_string(column + 1);
  if (hasHeader && column < header.size() && !header[column].empty()) s += " (\"" + header[column] + "\")";
  return s;
}

double InputTable::Number(size_t row, size_t column) const {
  const std::vector<std::string>& cells = rows.at(row);
  double v = 0;
  if (column < cells.size() && ParseCell(cells[column], decimalComma, v)) return v;
  const std::string where = "row " + std::to_string(row + 1) + ", " + ColumnName(column);
  if (column >= cells.size())
    FailAt(FailureClass::Subscript,
           where + ": the line ends after " + std::to_string(cells.size()) + " fields", name, rowLines.at(row));
  std::string hint;
  if (!decimalComma && cells[column].find(',') != std::string::npos)
    hint = " (a decimal comma? save the table with \".\" as the decimal point, or semicolon-separated)";
  FailAt(FailureClass::TypeMismatch,
         where + ": expected a number, found " + (cells[column].empty() ? std::string("an empty cell") : "\"" + cells[column] + "\"") +
             hint,
         name, rowLines.at(row));
}

InputTable ParseInputTable(std::string_view text, const std::string& name, const InputTableOptions& options) {
  InputTable table;
  table.name = name;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 byte-order mark

  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end + 1;
  }
  while (!lines.empty() && IsBlank(lines.back())) lines.pop_back();  // blank lines at the end are harmless
  if (lines.empty()) FailAt(FailureClass::EndOfFile, "the file is empty", name, 0);

  char separator = ',';
  if (options.decimal == DecimalMark::Comma || (options.decimal == DecimalMark::Recognise && HasBareSemicolon(lines[0]))) {
    separator = ';';
    table.decimalComma = true;
  }
  std::vector<std::string> fields;
  for (size_t i = 0; i < lines.size(); ++i) {
    const long lineNumber = static_cast<long>(i + 1);
    if (IsBlank(lines[i]))
      FailAt(FailureClass::TypeMismatch, "line " + std::to_string(lineNumber) + " is blank: delete it, or fill in the row it stands for",
             name, lineNumber);
    if (!SplitFields(lines[i], separator, fields)) FailAt(FailureClass::TypeMismatch, "unterminated quoted field", name, lineNumber);
    if (i == 0 && (options.headerRequired || !AnyNumber(fields, table.decimalComma))) {
      table.hasHeader = true;
      table.header = fields;
      continue;
    }
    table.rows.push_back(fields);
    table.rowLines.push_back(lineNumber);
  }
  return table;
}

InputTable ReadInputTable(const std::string& path, const InputTableOptions& options) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) FailAt(FailureClass::FileNotFound, "cannot open the table", path, 0);
  return ParseInputTable(text, path, options);
}

}  // namespace tools
