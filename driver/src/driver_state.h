#pragma once
// The driver's program-level state. Every routine of the cascade reads and
// writes it directly; one run of the program is one calculation.
#include <cstdint>
#include <string>
#include <vector>

#include "common/uninitialized_allocator.h"

namespace torvane {

// A table of doubles over (rowLower To rowUpper, colLower To colUpper),
// row-major, all 0.0 when created.
class Table {
 public:
  // Re-creates the table; an upper bound below its lower bound is a
  // subscript failure naming what was being created.
  void Redim(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper, const char* what);
  // The same, for a table whose caller writes every cell of rows
  // rowLower + 1..rowUpper and columns colLower + 1..colUpper before any
  // is read: only the first row and the first column are set to 0.0.
  void RedimForOverwrite(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper, const char* what);
  // Hands the cells back; the bounds become empty.
  void Free();

  int32_t RowLower() const { return rowLower_; }
  int32_t RowUpper() const { return rowUpper_; }
  int32_t ColLower() const { return colLower_; }
  int32_t ColUpper() const { return colUpper_; }

  // Unchecked; the cascade's own loops stay within the bounds they created.
  double& operator()(int32_t r, int32_t c) { return data_[Index(r, c)]; }
  double operator()(int32_t r, int32_t c) const { return data_[Index(r, c)]; }
  // Checked: a subscript failure naming the table, the cell and the bounds.
  double At(int32_t r, int32_t c) const;

  double* Data() { return data_.data(); }
  const double* Data() const { return data_.data(); }
  const std::string& Name() const { return name_; }

 private:
  size_t Index(int32_t r, int32_t c) const {
    return static_cast<size_t>(r - rowLower_) * static_cast<size_t>(colUpper_ - colLower_ + 1) +
           static_cast<size_t>(c - colLower_);
  }

  void Bound(int32_t rowLower, int32_t rowUpper, int32_t colLower, int32_t colUpper, const char* what);

  int32_t rowLower_ = 0, rowUpper_ = -1, colLower_ = 0, colUpper_ = -1;
  std::vector<double, common::UninitializedAllocator<double>> data_;
  std::string name_;
};

inline constexpr int kHostVariables = 510;
// h307, the step remediation starts: the first stage's column 40 and the
// series tables' indicator columns are read against it.
inline constexpr int kRemediationStartVariable = 307;

// The folder that holds the four files (the program's folder; tests set it).
extern std::string g_dataFolder;

extern std::string ProjectPath1;  // Control.dat line 2: network A, SeriesTable1
extern std::string ProjectPath2;  // line 4: network B, SeriesTable2
extern std::string ProjectPath3;  // line 6: network C, SeriesTable3
extern std::string ProjectPath4;  // line 8: the first-stage network
extern int16_t CaseCount;         // line 10
extern int16_t StepCount;         // always 100

extern Table CaseTable;         // (0 To CaseCount, 0 To 510): case, host variable
extern Table FirstStageTable;   // (0 To CaseCount, 0 To 40)
extern Table FirstStageResult;  // (1 To CaseCount, 1 To outputs)
extern Table SeriesTable1;      // (0 To R, 0 To 55), network A
extern Table SeriesTable2;      // (0 To R, 0 To 53), network B
extern Table SeriesTable3;      // (0 To R, 0 To 47), network C
extern Table SeriesResult;      // the series network just run

// The path of one of the driver's files: g_dataFolder, the separator, name.
std::string DriverFilePath(const char* name);

// Control.dat lines that name the projects, for messages.
inline constexpr long kLineProject1 = 2, kLineProject2 = 4, kLineProject3 = 6, kLineProject4 = 8;
inline constexpr long kCaseCountLine = 10;

}  // namespace torvane
