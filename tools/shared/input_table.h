#pragma once
// The input tables the tools read (pellmar-run's INPUTS and --realizations,
// `quenby apply`'s cases), under one set of rules, as a modeller's
// spreadsheet exports them:
// - a UTF-8 byte-order mark at the start is skipped;
// - lines end in LF or CR LF; a blank line inside the table is an error
//   naming its line (blank lines at the end of the file are ignored);
// - fields are separated by commas and may be quoted; a table whose first
//   line holds a semicolon outside quotes is read as a European export:
//   semicolons between fields and the decimal comma;
// - cells are kept as text: only the columns a tool takes are read as
//   numbers, so other columns may hold anything (names, notes, nothing);
// - a non-empty column title that appears twice is an error.
#include <string>
#include <string_view>
#include <vector>

namespace tools {

enum class DecimalMark { Recognise, Point, Comma };

struct InputTableOptions {
  bool headerRequired = true;  // else a first line without numbers is a header
  DecimalMark decimal = DecimalMark::Recognise;
};

struct InputTable {
  std::string name;  // the file, for messages
  bool hasHeader = false;
  bool decimalComma = false;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;  // as wide as each line is
  std::vector<long> rowLines;                  // line of each row in its file

  // The number in row (0-based) and column (0-based): a missing or
  // non-numeric cell throws common::Failure naming the row, the column
  // (number and title) and the line.
  double Number(size_t row, size_t column) const;
  // "column 3 (\"Rain\")" or "column 3".
  std::string ColumnName(size_t column) const;
};

// Parses text; name is used in messages. Throws common::Failure naming the
// file and line.
InputTable ParseInputTable(std::string_view text, const std::string& name, const InputTableOptions& options);
InputTable ReadInputTable(const std::string& path, const InputTableOptions& options);

// Reads one cell as a number by the table's decimal mark; false when it is
// not one.
bool ParseCell(std::string_view cell, bool decimalComma, double& out);

// Splits one line at separator (',' or ';'); quotes removed, blanks around
// unquoted fields dropped. False on an unterminated quote.
bool SplitFields(std::string_view line, char separator, std::vector<std::string>& fields);

// Throws when a non-empty title appears twice, except titles in allowed
// (a network that takes several inputs of one title, in order).
void RefuseDuplicateTitles(const std::vector<std::string>& header, const std::string& name,
                           const std::vector<std::string>& allowed = {});

}  // namespace tools
