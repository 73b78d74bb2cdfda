#include "host_inputs_file.h"

#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"

namespace tools {

using common::FailAt;
using common::FailureClass;

namespace {

std::vector<std::string> Fields(std::string_view line, const std::string& name, long lineNumber) {
  std::vector<std::string> quoted, fields;
  if (!SplitCsvLine(line, quoted)) FailAt(FailureClass::TypeMismatch, "unterminated quoted field", name, lineNumber);
  for (const auto& q : quoted) {
    size_t pos = 0;
    while (pos < q.size()) {
      size_t b = q.find_first_not_of(" \t", pos);
      if (b == std::string::npos) break;
      size_t e = q.find_first_of(" \t", b);
      if (e == std::string::npos) e = q.size();
      fields.push_back(q.substr(b, e - b));
      pos = e;
    }
  }
  return fields;
}

}  // namespace

std::vector<double> ParseHostInputs(std::string_view text, const std::string& name) {
  std::vector<double> values;
  long lineNumber = 0, firstContentLine = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string> fields = Fields(line, name, lineNumber);
    if (fields.empty()) continue;
    if (firstContentLine == 0) {
      firstContentLine = lineNumber;
      bool anyNumber = false;
      for (const auto& f : fields) {
        double v;
        anyNumber = anyNumber || common::ParseNumber(f, v);
      }
      if (!anyNumber) continue;  // a header
    }
    for (const auto& f : fields) {
      double v = 0;
      if (!common::ParseNumber(f, v)) FailAt(FailureClass::TypeMismatch, "expected a number, found \"" + f + "\"", name, lineNumber);
      if (values.size() == kHostInputCount)
        FailAt(FailureClass::Subscript, "expected 510 host inputs, found more", name, lineNumber);
      values.push_back(v);
    }
  }
  if (values.size() != kHostInputCount)
    FailAt(FailureClass::EndOfFile, "expected 510 host inputs, found " + std::to_string(values.size()), name, 0);
  return values;
}

std::vector<double> ReadHostInputs(const std::string& path) {
  std::string text;
  if (!common::ReadWholeFile(path, text)) FailAt(FailureClass::FileNotFound, "cannot open the host inputs", path, 0);
  return ParseHostInputs(text, path);
}

}  // namespace tools
