#pragma once
// What the driver sees of a host input: "inputvars.dat" keeps four decimals
// in 15 columns, so 0.02501 and 0.02504 reach the networks as the same
// number and 0.00002 as 0. These tell the modeller where that matters.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace tools {

// The value the driver reads back from the adapter's text of v; not a
// number (NaN) when that text is not one (15 asterisks for 1e10 and more).
double DriverSees(double v);

// The exchange file's text of v, without the padding ("0.0250").
std::string ExchangeText(double v);

struct PrecisionChange {
  size_t variable;  // host variable number, 1..510
  double value;     // as given
  double seen;      // DriverSees(value)
};

// The inputs (inputs[k] is host variable k + 1) that the exchange file
// changes by more than a part in a million.
std::vector<PrecisionChange> PrecisionChanges(const std::vector<double>& inputs);
// The same with seen[k] = DriverSees(inputs[k]) already at hand.
std::vector<PrecisionChange> PrecisionChanges(const std::vector<double>& inputs, const std::vector<double>& seen);

// "host variable 12: 0.00002 reaches the driver as 0.0000"
std::string DescribeChange(const PrecisionChange& c);

// The precision report, worded the same by every tool that runs or checks
// host inputs: one line per change, the first few of them, then a summary.
class PrecisionReport {
 public:
  // keepTable: also collect every change for Table() (thousands of
  // realizations give hundreds of thousands).
  explicit PrecisionReport(bool keepTable = false) : keepTable_(keepTable) {}
  // The changes of one row of an input file (row 0: the file holds one
  // calculation, so lines name no row).
  void Add(size_t row, long line, const std::vector<PrecisionChange>& changes);
  size_t Total() const { return total_; }
  // "row 3 (line 4), host variable 12: 0.00002 reaches the driver as
  // 0.0000", the first `listed` changes, then one summary line; none when
  // nothing changes.
  std::vector<std::string> Lines(size_t listed, size_t rows) const;
  // Every change: row, line, host variable, value, driver sees (CSV, CR LF).
  std::string Table() const;

 private:
  struct Entry {
    size_t row;
    long line;
    PrecisionChange change;
  };
  std::vector<Entry> listed_;
  std::string table_ = "row,line,host variable,value,driver sees\r\n";
  std::map<size_t, size_t> byVariable_;
  size_t total_ = 0;
  bool keepTable_;
  static constexpr size_t kKeptLines = 100;
};

}  // namespace tools
