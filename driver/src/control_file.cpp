#include "control_file.h"

#include <cmath>
#include <string>

#include "common/checked16.h"
#include "common/failure.h"
#include "common/free_format.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "driver_state.h"

namespace torvane {

namespace {

using common::FailAt;
using common::FailureClass;

// Line-by-line reading of the control file; lines end at CR LF (a lone LF is
// taken too, for a file saved by an editor that writes those).
class ControlLines {
 public:
  ControlLines(const std::string& path, const std::string& text) : path_(path), text_(text) {}

  std::string NextLine() {
    ++line_;
    if (pos_ >= text_.size())
      FailAt(FailureClass::EndOfFile, "expected 10 lines, the file ends after line " + std::to_string(line_ - 1),
             path_, line_);
    size_t end = text_.find('\n', pos_);
    size_t next = end == std::string::npos ? text_.size() : end + 1;
    if (end == std::string::npos) end = text_.size();
    else if (end > pos_ && text_[end - 1] == '\r') --end;
    std::string line = text_.substr(pos_, end - pos_);
    pos_ = next;
    return line;
  }

  long Line() const { return line_; }

 private:
  const std::string& path_;
  const std::string& text_;
  size_t pos_ = 0;
  long line_ = 0;
};

int16_t ParseCaseCount(const std::string& line, const std::string& path) {
  common::FreeFormatCursor cursor(line);
  cursor.SkipBlanks();
  std::string_view field = cursor.TakeField(",");
  double value = 0;
  if (field.empty())
    FailAt(FailureClass::TypeMismatch, "expected the case count, found an empty field", path, kCaseCountLine);
  common::FreeValueStatus status = common::ParseFreeValue(field, value);
  if (status == common::FreeValueStatus::Conversion)
    FailAt(FailureClass::Overflow, "case count \"" + std::string(field) + "\" does not fit a 16-bit count", path,
           kCaseCountLine);
  if (status != common::FreeValueStatus::Ok || !std::isfinite(value))
    FailAt(FailureClass::TypeMismatch, "expected the case count, found \"" + std::string(field) + "\"", path,
           kCaseCountLine);
  int64_t whole = 0;
  if (!common::RoundHalfEven(value, whole) || whole > common::kInt16Max || whole < common::kInt16Min)
    FailAt(FailureClass::Overflow, "case count " + std::string(field) + " does not fit a 16-bit count (largest 32767)",
           path, kCaseCountLine);
  return static_cast<int16_t>(whole);
}

}  // namespace

void ReadControlFile() {
  const std::string path = DriverFilePath("Control.dat");
  std::string text;
  if (!common::ReadWholeFile(path, text))
    common::Fail(FailureClass::FileNotFound, "cannot open the control file " + path);
  ControlLines lines(path, text);
  std::string* const paths[] = {&ProjectPath1, &ProjectPath2, &ProjectPath3, &ProjectPath4};
  for (std::string* projectPath : paths) {
    lines.NextLine();  // label
    *projectPath = lines.NextLine();
  }
  lines.NextLine();  // label
  CaseCount = ParseCaseCount(lines.NextLine(), path);
}

}  // namespace torvane
