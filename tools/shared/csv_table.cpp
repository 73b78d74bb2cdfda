#include "csv_table.h"

#include <charconv>
#include <cmath>

#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "input_table.h"

namespace tools {

using common::FailAt;
using common::FailureClass;

bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields) { return SplitFields(line, ',', fields); }

CsvTable ParseCsv(std::string_view text, const std::string& name) {
  CsvTable table;
  bool haveHeader = false;
  long lineNumber = 0;
  size_t pos = 0;
  std::vector<std::string> fields;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);  // a byte-order mark
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (!SplitCsvLine(line, fields)) FailAt(FailureClass::TypeMismatch, "unterminated quoted field", name, lineNumber);
    if (!haveHeader) {
      table.header = fields;
      haveHeader = true;
      continue;
    }
    if (fields.size() != table.header.size())
      FailAt(FailureClass::Subscript,
             "expected " + std::to_string(table.header.size()) + " fields as in the header, found " + std::to_string(fields.size()),
             name, lineNumber);
    std::vector<double> row(fields.size());
    for (size_t j = 0; j < fields.size(); ++j) {
      if (!common::ParseNumber(fields[j], row[j]))
        FailAt(FailureClass::TypeMismatch,
               "field " + std::to_string(j + 1) + " (\"" + table.header[j] + "\"): expected a number, found \"" + fields[j] + "\"",
               name, lineNumber);
    }
    table.rows.push_back(std::move(row));
    table.rowLines.push_back(lineNumber);
  }
  if (!haveHeader) FailAt(FailureClass::EndOfFile, "expected a header row, found none", name, 0);
  return table;
}

CsvTable ReadCsvFile(const std::string& path) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) FailAt(FailureClass::FileNotFound, "cannot open the table", path, 0);
  return ParseCsv(text, path);
}

std::string ShortestNumber(double v) {
  std::string s;
  AppendShortestNumber(s, v);
  return s;
}

void AppendShortestNumber(std::string& out, double v) {
  if (std::isnan(v)) {
    out += "NAN";
  } else if (std::isinf(v)) {
    out += v < 0 ? "-INF" : "INF";
  } else {
    char buf[64];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
}

namespace {

void AppendField(std::string& out, const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos && (field.empty() || (field.front() != ' ' && field.back() != ' '))) {
    out += field;
    return;
  }
  out += '"';
  for (char ch : field) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

}  // namespace

std::string FormatCsv(const std::vector<std::string>& header, const std::vector<std::vector<double>>& rows, const char* eol) {
  std::string out;
  for (size_t j = 0; j < header.size(); ++j) {
    if (j) out += ',';
    AppendField(out, header[j]);
  }
  out += eol;
  for (const auto& row : rows) {
    for (size_t j = 0; j < row.size(); ++j) {
      if (j) out += ',';
      out += ShortestNumber(row[j]);
    }
    out += eol;
  }
  return out;
}

}  // namespace tools
