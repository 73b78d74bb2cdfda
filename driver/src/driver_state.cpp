#include "driver_state.h"

#include "common/failure.h"
#include "common/platform.h"

namespace torvane {

std::string g_dataFolder;
std::string ProjectPath1, ProjectPath2, ProjectPath3, ProjectPath4;
int16_t CaseCount = 0;
int16_t StepCount = 0;
Table CaseTable, FirstStageTable, FirstStageResult;
Table SeriesTable1, SeriesTable2, SeriesTable3, SeriesResult;

void Table::Redim(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper, const char* what) {
  name_ = what;
  if (rowUpper < rowLower || colUpper < colLower) {
    common::Fail(common::FailureClass::Subscript,
                 name_ + " cannot be created with bounds (" + std::to_string(rowLower) + " To " +
                     std::to_string(rowUpper) + ", " + std::to_string(colLower) + " To " +
                     std::to_string(colUpper) + ")");
  }
  std::vector<double>().swap(data_);
  data_.assign(static_cast<size_t>(rowUpper - rowLower + 1) * static_cast<size_t>(colUpper - colLower + 1), 0.0);
  rowLower_ = rowLower;
  rowUpper_ = rowUpper;
  colLower_ = colLower;
  colUpper_ = colUpper;
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
