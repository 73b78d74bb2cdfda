#include "project_data_reader.h"

#include <string>
#include <string_view>

#include "clustering_file_reader.h"
#include "common/checked16.h"
#include "common/text_file.h"
#include "loaded_network.h"
#include "project_line_reader.h"

namespace quenby {

namespace {

// Room for derived inputs and derived-column ranges at compile time.
constexpr int16_t kMaxDerivedInputs = 5;
constexpr int16_t kExtraRangeColumns = 15;
constexpr int16_t kMaxClusters = kExtraRangeColumns - 2;

void ReadDataFile(LoadedNetwork& n) {
  ProjectLineReader in(n.ProjectPath + ".dat");
  in.Skip(1, "the data file's first line");
  n.RecordCount = in.Count32("the record count");
  n.VariableCount = in.Size16("the variable count");
  in.Skip(1, "the line before the titles");
  n.VariableTitles.Redim(n.VariableCount, "VariableTitles");
  for (int16_t k = 1; k <= n.VariableCount; ++k) n.VariableTitles(k) = std::string(in.Line("a variable title"));
  in.Skip(1, "the line before the data records");
  if (n.RecordCount > 0 && n.VariableCount > 0) {
    int64_t values = int64_t{n.RecordCount} * n.VariableCount;
    if (values > in.RemainingBytes()) {
      in.FailHere(common::FailureClass::EndOfFile,
                  "expected " + std::to_string(n.RecordCount) + " records of " + std::to_string(n.VariableCount) +
                      " values, but only " + std::to_string(in.RemainingBytes()) + " bytes remain in the file");
    }
    in.Skip(values, "data values");
  }
  in.Skip(1, "the line before the ranges");
  int16_t upper = common::Add16(n.VariableCount, kExtraRangeColumns, "VariableCount + 15");
  in.RequireNumberLines(2 * int64_t{n.VariableCount}, "variable minimums and maximums");
  n.VarMin.Redim(upper, "VarMin");
  n.VarMax.Redim(upper, "VarMax");
  for (int16_t k = 1; k <= n.VariableCount; ++k) {
    n.VarMin(k) = in.Real("the minimum of variable " + std::to_string(k));
    n.VarMax(k) = in.Real("the maximum of variable " + std::to_string(k));
  }
}

void ReadFlagFile(LoadedNetwork& n) {
  ProjectLineReader in(n.ProjectPath + ".flg");
  n.InputVarColumns.Redim(n.VariableCount, "InputVarColumns");
  n.OutputColumns.Redim(n.VariableCount, "OutputColumns");
  n.IdVarColumns.Redim(n.VariableCount, "IdVarColumns");
  n.InputVarCount = 0;
  n.OutputCount = 0;
  n.IdVarCount = 0;
  in.Skip(1, "the flag file's first line");
  for (int16_t k = 1; k <= n.VariableCount; ++k) {
    std::string_view flag = in.Line("the flag of variable " + std::to_string(k));
    if (flag == " I ") {
      n.InputVarColumns(++n.InputVarCount) = k;
    } else if (flag == " ID ") {
      n.IdVarColumns(++n.IdVarCount) = k;
    } else if (flag == " O ") {
      n.OutputColumns(++n.OutputCount) = k;
    }
  }
}

void ReadDesignFile(LoadedNetwork& n) {
  ProjectLineReader in(n.ProjectPath + ".ndp");
  in.Skip(4, "the design file's heading");
  n.DirectInputCount = in.Size16("the direct input count");
  n.ClusterCount = in.Size16("the cluster count");
  in.Skip(1, "the line before the direct inputs");
  int16_t upper = common::Add16(n.DirectInputCount, kMaxDerivedInputs, "DirectInputCount + 5");
  in.RequireNumberLines(n.DirectInputCount, "direct input columns");
  n.NetInputColumns.Redim(upper, "NetInputColumns");
  for (int16_t i = 1; i <= n.DirectInputCount; ++i) {
    n.NetInputColumns(i) = in.Count16("the column of direct input " + std::to_string(i));
  }
  in.Skip(1, "the line before the derived inputs");
  n.DerivedInputCount = in.Size16("the derived input count");
  if (n.DerivedInputCount > kMaxDerivedInputs) {
    in.FailHere(common::FailureClass::Subscript,
                "at most 5 derived inputs fit the network's input columns, found " +
                    std::to_string(n.DerivedInputCount));
  }
  n.DerivedInputCodes.Redim(n.DerivedInputCount, "DerivedInputCodes");
  for (int16_t m = 1; m <= n.DerivedInputCount; ++m) {
    int16_t code = in.Count16("the code of derived input " + std::to_string(m));
    n.DerivedInputCodes(m) = code;
    n.NetInputColumns(n.DirectInputCount + m) = common::Add16(code, n.VariableCount, "derived code + VariableCount");
  }

  in.SearchTo("*** Interface Information ***");
  in.Skip(4, "the lines before the clustering switches");
  if (in.Count16("the conventional clustering switch") == 1) ReadConvClustering();
  if (in.Count16("the fuzzy clustering switch") == 1) ReadFuzzyClustering();
}

void SetDerivedColumnRanges(LoadedNetwork& n) {
  if (n.ClusterCount > kMaxClusters) {
    common::Fail(common::FailureClass::Subscript,
                 "at most 13 clusters fit the derived columns' ranges, found " + std::to_string(n.ClusterCount) +
                     " (" + n.ProjectPath + ")");
  }
  // VariableCount + 15 fitted 16 bits, so these sums do too.
  n.VarMin.At(n.VariableCount + 1, "VarMin") = 1.0;
  n.VarMax.At(n.VariableCount + 1, "VarMax") = n.ClusterCount;
  for (int h = 2; h <= n.ClusterCount + 2; ++h) {
    n.VarMin.At(n.VariableCount + h, "VarMin") = 0.0;
    n.VarMax.At(n.VariableCount + h, "VarMax") = 1.0;
  }
}

// The fields of one ".MinMax" record: separated by commas or line ends, not
// by blanks; leading blanks skipped; a field in double quotes loses them.
class RecordFields {
 public:
  explicit RecordFields(ProjectLineReader& in) : in_(in) {}

  std::string Field(std::string_view what) {
    if (!pending_) {
      line_ = std::string(in_.Line(what));
      pos_ = 0;
      pending_ = true;
    }
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
    std::string field;
    if (pos_ < line_.size() && line_[pos_] == '"') {
      size_t close = line_.find('"', pos_ + 1);
      if (close == std::string::npos) close = line_.size();
      field = line_.substr(pos_ + 1, close - pos_ - 1);
      pos_ = close < line_.size() ? close + 1 : close;
      size_t comma = line_.find(',', pos_);
      Advance(comma);
    } else {
      size_t comma = line_.find(',', pos_);
      field = line_.substr(pos_, comma == std::string::npos ? std::string::npos : comma - pos_);
      Advance(comma);
    }
    return field;
  }

  double Real(std::string_view what) { return in_.ToReal(Field(what), what); }

  // Drops the rest of a partly read line, or else the next whole line.
  void SkipLine(std::string_view what) {
    if (pending_) {
      pending_ = false;
    } else {
      in_.Skip(1, what);
    }
  }

 private:
  void Advance(size_t comma) {
    if (comma == std::string::npos) {
      pending_ = false;
    } else {
      pos_ = comma + 1;
    }
  }

  ProjectLineReader& in_;
  std::string line_;
  size_t pos_ = 0;
  bool pending_ = false;
};

void ReadRangeRecord(RecordFields& f, LoadedNetwork& n, int16_t column, const std::string& whose) {
  f.Field("the label of " + whose);
  double lo = f.Real("the minimum of " + whose);
  double hi = f.Real("the maximum of " + whose);
  n.VarMin.At(column, "VarMin") = lo;
  n.VarMax.At(column, "VarMax") = hi;
}

}  // namespace

void ReadProjectData() {
  LoadedNetwork& n = Net();
  ReadDataFile(n);
  ReadFlagFile(n);
  if (!common::FileExists(n.ProjectPath + ".ndp")) return;
  ReadDesignFile(n);
  SetDerivedColumnRanges(n);
}

void ReadRangeOverrides() {
  LoadedNetwork& n = Net();
  const std::string path = n.ProjectPath + ".MinMax";
  if (!common::FileExists(path)) return;
  ProjectLineReader in(path);
  RecordFields f(in);
  f.SkipLine("the range file's first line");
  for (int16_t i = 1; i <= n.DirectInputCount; ++i) {
    ReadRangeRecord(f, n, n.NetInputColumns.At(i, "NetInputColumns"), "direct input " + std::to_string(i));
  }
  f.SkipLine("the line before the output ranges");
  for (int16_t k = 1; k <= n.OutputCount; ++k) {
    ReadRangeRecord(f, n, n.OutputColumns.At(k, "OutputColumns"), "output " + std::to_string(k));
  }
}

}  // namespace quenby
