#pragma once
// Why a calculation failed, for the person at the host: each reason goes to
// standard error as it happens and, when the calculation ends with status 1,
// to "Pellmar.err" in the current folder, followed by the driver's own line
// from "Torvane.err" when the driver failed. The host is a windowed program
// without a console, so the file is where the reason can be read.
#include <string>

namespace pellmar {

inline constexpr char kFailureFile[] = "Pellmar.err";
inline constexpr char kDriverFailureFile[] = "Torvane.err";

class FailureReport {
 public:
  // One line on standard error, kept for Pellmar.err.
  void Add(const std::string& line);
  // The first line of Torvane.err, when there is one, is added (to the file
  // only: the driver wrote it to standard error itself).
  void AddDriverReport();
  // Status 1: Pellmar.err replaced with the lines; status 0: an earlier one
  // removed. Best effort: a failure here changes nothing else.
  void Finish(int status) const noexcept;

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace pellmar
