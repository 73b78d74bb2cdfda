#include "progress_bar.h"

namespace tools {

namespace {
constexpr size_t kWidth = 40;
}

ProgressBar::ProgressBar(std::ostream& err, bool enabled, size_t total, std::string unit)
    : err_(err), enabled_(enabled && total > 0), total_(total), unit_(std::move(unit)) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(size_t done) {
  if (!enabled_) return;
  if (done > total_) done = total_;
  const int percent = static_cast<int>(done * 100 / total_);
  if (percent == lastPercent_) return;  // a redraw per percent is plenty
  lastPercent_ = percent;
  const size_t filled = done * kWidth / total_;
  err_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << percent << "% " << done << "/" << total_
       << " " << unit_ << std::flush;
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (drawn_) err_ << "\n" << std::flush;
  drawn_ = false;
  enabled_ = false;
}

}  // namespace tools
