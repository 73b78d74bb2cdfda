#pragma once
// A one-line progress bar on standard error, drawn only on a terminal and
// only for work long enough to need one.
#include <cstddef>
#include <ostream>
#include <string>

namespace tools {

class ProgressBar {
 public:
  // enabled: standard error is a terminal and the user did not turn it off.
  ProgressBar(std::ostream& err, bool enabled, size_t total, std::string unit);
  ~ProgressBar();  // ends the line when one was drawn

  void Update(size_t done);
  void Finish();

 private:
  std::ostream& err_;
  bool enabled_;
  size_t total_;
  std::string unit_;
  int lastPercent_ = -1;
  bool drawn_ = false;
};

}  // namespace tools
