#include "failure_report.h"

#include <cstdio>

#include "common/platform.h"
#include "common/text_file.h"

namespace pellmar {

void FailureReport::Add(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  text_ += line;
  text_ += "\r\n";
}

void FailureReport::AddDriverReport() {
  std::string driver;
  if (!common::ReadWholeFile(kDriverFailureFile, driver)) return;
  const size_t end = driver.find_first_of("\r\n");
  if (end != std::string::npos) driver.resize(end);
  if (driver.empty()) return;
  text_ += driver;
  text_ += "\r\n";
}

void FailureReport::Finish(int status) const noexcept {
  try {
    if (status == 0) {
      common::RemoveFileQuietly(kFailureFile);
    } else if (!text_.empty()) {
      common::WriteFileReplacing(kFailureFile, text_);
    }
  } catch (...) {
    // A folder that cannot be written: standard error had the lines.
  }
}

}  // namespace pellmar
