#include "driver_state.h"

#include <algorithm>

#include "common/failure.h"
#include "common/platform.h"

namespace torvane {

std::string g_dataFolder;
std::string ProjectPath1, ProjectPath2, ProjectPath3, ProjectPath4;
int16_t CaseCount = 0;
int16_t StepCount = 0;
Table CaseTable, FirstStageTable, FirstStageResult;
Table SeriesTable1, SeriesTable2, SeriesTable3, SeriesResult;

// Checks the bounds and hands back the old cells before new ones are taken,
// so a run never holds both.
void Table::Bound(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper, const char* what) {
  name_ = what;
  if (rowUpper < rowLower || colUpper < colLower) {
    common::Fail(common::FailureClass::Subscript,
                 name_ + " cannot be created with bounds (" + std::to_string(rowLower) + " To " +
                     std::to_string(rowUpper) + ", " + std::to_string(colLower) + " To " +
                     std::to_string(colUpper) + ")");
  }
  Free();
}

void Table::Redim(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper, const char* what) {
  Bound(rowLower, rowUpper, colLower, colUpper, what);
  data_.assign(static_cast<size_t>(rowUpper - rowLower + 1) * static_cast<size_t>(colUpper - colLower + 1), 0.0);
  rowLower_ = rowLower;
  rowUpper_ = rowUpper;
  colLower_ = colLower;
  colUpper_ = colUpper;
}

void Table::RedimForOverwrite(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper,
                              const char* what) {
  Bound(rowLower, rowUpper, colLower, colUpper, what);
  const size_t columns = static_cast<size_t>(colUpper - colLower + 1);
  data_.resize(static_cast<size_t>(rowUpper - rowLower + 1) * columns);
  rowLower_ = rowLower;
  rowUpper_ = rowUpper;
  colLower_ = colLower;
  colUpper_ = colUpper;
  std::fill(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(columns), 0.0);
  for (size_t at = columns; at < data_.size(); at += columns) data_[at] = 0.0;
}

void Table::Free() {
  decltype(data_)().swap(data_);
  rowLower_ = 0;
  rowUpper_ = -1;
  colLower_ = 0;
  colUpper_ = -1;
}

double Table::At(int32_t r, int32_t c) const {
  if (r < rowLower_ || r > rowUpper_ || c < colLower_ || c > colUpper_) {
    common::Fail(common::FailureClass::Subscript,
                 name_ + "(" + std::to_string(r) + ", " + std::to_string(c) + ") lies outside its bounds (" +
                     std::to_string(rowLower_) + " To " + std::to_string(rowUpper_) + ", " +
                     std::to_string(colLower_) + " To " + std::to_string(colUpper_) + ")");
  }
  return (*this)(r, c);
}

std::string DriverFilePath(const char* name) {
  std::string path = g_dataFolder;
  path += common::kPathSeparator;
  path += name;
  return path;
}

}  // namespace torvane
