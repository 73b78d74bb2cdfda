#pragma once
// Comma-separated tables of numbers with one header row, as the tools read
// and write them: fields may be quoted ("a, b" and "" for a quote), lines end
// in LF or CR LF, blank lines are skipped. Numbers are read without the
// locale and written in the shortest form that reads back to the same double.
#include <string>
#include <string_view>
#include <vector>

namespace tools {

struct CsvTable {
  std::vector<std::string> header;
  std::vector<std::vector<double>> rows;  // each as wide as the header
  std::vector<long> rowLines;             // line of each row in its file
};

// Parses text; name is used in messages. Throws common::Failure naming the
// file and line: a field that is not a number, a row with the wrong number
// of fields, an unterminated quote, a missing header.
CsvTable ParseCsv(std::string_view text, const std::string& name);
CsvTable ReadCsvFile(const std::string& path);

// Splits one record into fields (quotes removed); false on an unterminated
// quote. Exposed for the tools' other readers.
bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields);

// The shortest text that reads back to exactly v ("0.1", "1e-20", "-3").
std::string ShortestNumber(double v);
// The same appended to out, without a string of its own.
void AppendShortestNumber(std::string& out, double v);

// Renders a table: header fields quoted when they need it; eol ends each line.
std::string FormatCsv(const std::vector<std::string>& header, const std::vector<std::vector<double>>& rows,
                      const char* eol = "\r\n");

}  // namespace tools
