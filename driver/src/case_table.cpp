#include "case_table.h"

#include <cmath>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/free_format.h"
#include "common/text_file.h"
#include "driver_state.h"

namespace torvane {

using common::FailAt;
using common::FailureClass;

void CheckCaseCount() {
  if (CaseCount < 0)
    FailAt(FailureClass::Subscript,
           "the case count " + std::to_string(CaseCount) + " is negative, so the case table cannot be created",
           DriverFilePath("Control.dat"), kCaseCountLine);
}

void AllocateCaseTable() {
  CheckCaseCount();
  CaseTable.Redim(0, CaseCount, 0, kHostVariables, "CaseTable");
}

void LoadCaseTable() {
  const std::string path = DriverFilePath("inputvars.dat");
  std::string text;
  if (!common::ReadWholeFile(path, text)) common::Fail(FailureClass::FileNotFound, "cannot open " + path);
  // The numbers are gathered first, so that a case count the file cannot
  // satisfy fails before the table is sized by it.
  const int16_t cases = CaseCount;
  std::vector<double> values;
  common::FreeFormatCursor cursor(text);
  for (int32_t c = 1; c <= cases; ++c) {
    for (int32_t v = 1; v <= kHostVariables; ++v) {
      cursor.SkipBlanksAndLineEnds();
      if (cursor.AtEnd()) {
        FailAt(FailureClass::EndOfFile,
               "expected " + std::to_string(static_cast<long>(cases) * kHostVariables) + " numbers (" +
                   std::to_string(kHostVariables) + " for each of the " + std::to_string(cases) +
                   " cases of Control.dat line 10), found " + std::to_string(values.size()),
               path, text.empty() || text.back() != '\n' ? cursor.Line() : cursor.Line() - 1);
      }
      std::string_view field = cursor.TakeField(",");
      double value = 0;
      if (field.empty() || common::ParseFreeValue(field, value) != common::FreeValueStatus::Ok ||
          !std::isfinite(value)) {
        FailAt(FailureClass::TypeMismatch,
               "expected a number for host variable " + std::to_string(v) + " of case " + std::to_string(c) +
                   (field.empty() ? std::string(", found an empty field") : ", found \"" + std::string(field) + "\""),
               path, cursor.Line());
      }
      values.push_back(value);
      cursor.SkipBlanks();
      if (cursor.Peek() == ',') cursor.Advance();
    }
  }
  AllocateCaseTable();
  size_t next = 0;
  for (int32_t c = 1; c <= cases; ++c)
    for (int32_t v = 1; v <= kHostVariables; ++v) CaseTable(c, v) = values[next++];
}

}  // namespace torvane
