// The ".DLLFile" text, rendered from LoadedNetwork. Every count that sizes a
// run is written before the run, so the loader reads it back line for line.
// Doubles use the general number form (15 significant digits; exponent form
// from 1E+15 up and below 1E-5), which keeps every value to 15 digits.
#include <cmath>
#include <string>

#include "common/checked16.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "compiled_file.h"
#include "loaded_network.h"

namespace quenby {

using common::FailureClass;

namespace {

constexpr const char* kCrLf = "\r\n";

void Marker(std::string& out, const char* text) {
  out += text;
  out += kCrLf;
}

// The writer must never read past a table that is smaller than the counts
// it writes (a weight set with fewer hidden neurons than the information
// section states, fewer patterns than TrainingCount, ...).
template <class T>
void NeedRows(const Array1<T>& a, int64_t upper, const char* name) {
  if (upper > 0 && upper > a.Upper()) {
    common::Fail(FailureClass::Subscript, std::string("cannot write ") + name + "(" + std::to_string(upper) +
                                              "): the table holds 0 To " + std::to_string(a.Upper()));
  }
}

template <class T>
void NeedCells(const Array2<T>& a, int64_t upper1, int64_t upper2, const char* name) {
  if (upper1 <= 0 || upper2 <= 0) return;  // nothing of it is written
  if (upper1 > a.Upper1() || upper2 > a.Upper2()) {
    common::Fail(FailureClass::Subscript, std::string("cannot write ") + name + "(" + std::to_string(upper1) + ", " +
                                              std::to_string(upper2) + "): the table holds (0 To " +
                                              std::to_string(a.Upper1()) + ", 0 To " + std::to_string(a.Upper2()) +
                                              ")");
  }
}

// A value the loader could not read back (NAN, INF) is never written.
void NumberItem(std::string& out, double v) {
  if (!std::isfinite(v)) {
    common::Fail(FailureClass::FloatingPoint, "cannot write " + common::GeneralNumber(v) +
                                                  " to a compiled network file: it is not a finite number");
  }
  common::AppendNumberItem(out, v);
}

void IntegerLine(std::string& out, int64_t v) {
  common::AppendIntegerItem(out, v);
  out += kCrLf;
}

void NumberLine(std::string& out, double v) {
  NumberItem(out, v);
  out += kCrLf;
}

// Doubles row by row, rows 1..rows, columns 1..cols, one per line.
void TableLines(std::string& out, const Array2<double>& t, int64_t rows, int64_t cols, const char* name) {
  NeedCells(t, rows, cols, name);
  for (int64_t i = 1; i <= rows; ++i) {
    for (int64_t j = 1; j <= cols; ++j) NumberLine(out, t(i, j));
  }
}

// Text items are written unchanged; a line end inside one would shift every
// later line of the file.
void TextLine(std::string& out, const std::string& text, const char* what) {
  if (text.find_first_of("\r\n") != std::string::npos) {
    common::Fail(FailureClass::InvalidArgument, std::string("cannot write ") + what + " \"" + text +
                                                    "\": it holds a line end");
  }
  out += text;
  out += kCrLf;
}

int16_t NetInputCount(const LoadedNetwork& n) {
  return common::Add16(n.DirectInputCount, n.DerivedInputCount, "network input count");
}

}  // namespace

void AppendGeneralSection(std::string& out) {
  const LoadedNetwork& n = Net();
  Marker(out, "*** General Project Info ***");
  common::AppendIntegerItem(out, n.VariableCount);
  common::AppendIntegerItem(out, n.InputVarCount);
  common::AppendIntegerItem(out, n.OutputCount);
  out += kCrLf;
  NeedRows(n.VariableTitles, n.VariableCount, "VariableTitles");
  NeedRows(n.InputVarColumns, n.InputVarCount, "InputVarColumns");
  NeedRows(n.OutputColumns, n.OutputCount, "OutputColumns");
  for (int i = 1; i <= n.VariableCount; ++i) TextLine(out, n.VariableTitles(i), "a variable title");
  for (int i = 1; i <= n.InputVarCount; ++i) IntegerLine(out, n.InputVarColumns(i));
  for (int i = 1; i <= n.OutputCount; ++i) IntegerLine(out, n.OutputColumns(i));

  Marker(out, "*** Clustering ***");
  common::AppendIntegerItem(out, n.ClusterCount);
  common::AppendIntegerItem(out, n.ClusterVarCount);
  if (n.ClusteringMode.find_first_of("\r\n") != std::string::npos) {
    common::Fail(FailureClass::InvalidArgument, "cannot write the clustering mode: it holds a line end");
  }
  out += n.ClusteringMode;
  out += kCrLf;
  if (n.ClusterVarCount > 0) {
    const int16_t flags = common::Add16(n.InputVarCount, n.OutputCount, "input variable count + output count");
    NeedRows(n.ClusterVarFlags, flags, "ClusterVarFlags");
    for (int i = 1; i <= flags; ++i) IntegerLine(out, n.ClusterVarFlags(i));
    TableLines(out, n.ClusterCentres, n.ClusterCount, n.ClusterVarCount, "ClusterCentres");
  }

  Marker(out, "*** Partitioning ***");
  common::AppendIntegerItem(out, n.DirectInputCount);
  common::AppendIntegerItem(out, n.DerivedInputCount);
  out += kCrLf;
  NeedRows(n.NetInputColumns, n.DirectInputCount, "NetInputColumns");
  NeedRows(n.DerivedInputCodes, n.DerivedInputCount, "DerivedInputCodes");
  for (int i = 1; i <= n.DirectInputCount; ++i) IntegerLine(out, n.NetInputColumns(i));
  for (int m = 1; m <= n.DerivedInputCount; ++m) IntegerLine(out, n.DerivedInputCodes(m));

  Marker(out, "*** Min and Max ***");
  const int16_t columns = common::Add16(
      common::Add16(n.VariableCount, n.ClusterCount, "variable count + cluster count"), 2,
      "variable count + cluster count + 2");
  NeedRows(n.VarMin, columns, "VarMin");
  NeedRows(n.VarMax, columns, "VarMax");
  for (int g = 1; g <= columns; ++g) {
    NumberItem(out, n.VarMin(g));
    NumberItem(out, n.VarMax(g));
    out += kCrLf;
  }
  Marker(out, "*** BackProp ***");
}

void AppendBackPropSection(std::string& out) {
  const LoadedNetwork& n = Net();
  const int16_t inRows = common::Add16(NetInputCount(n), 1, "network input count + 1");
  const int16_t outRows = common::Add16(n.HiddenCount, n.SlabCount, "hidden count + slab count");
  Marker(out, "BackProp Info");
  out += n.MultiSlab != 0 ? "True" : "False";
  common::AppendIntegerItem(out, n.SlabCount);
  common::AppendIntegerItem(out, n.HiddenCount);
  out += kCrLf;
  if (n.MultiSlab != 0) {
    NeedRows(n.SlabActivations, n.SlabCount, "SlabActivations");
    for (int s = 1; s <= n.SlabCount; ++s) TextLine(out, n.SlabActivations(s), "a slab activation");
  }
  TableLines(out, n.InputWeights, inRows, n.HiddenCount, "InputWeights");
  TableLines(out, n.OutputWeights, outRows, n.OutputCount, "OutputWeights");
}

void AppendGrnnSection(std::string& out) {
  ConvertPendingGrnnSection();
  const LoadedNetwork& n = Net();
  const int16_t nIn = NetInputCount(n);
  Marker(out, "GRNN Info");
  TextLine(out, n.GrnnCalibration, "the GRNN calibration");
  if (n.GrnnCalibration != "Holdout") {
    IntegerLine(out, n.TrainingCount);
    TableLines(out, n.GeneticSmoothing, n.TrainingCount, nIn, "GeneticSmoothing");
  } else {
    NumberItem(out, n.GrnnSmoothing);
    common::AppendIntegerItem(out, n.TrainingCount);
    out += kCrLf;
  }
  NeedCells(n.TrainingInputs, n.TrainingCount, nIn, "TrainingInputs");
  NeedCells(n.TrainingOutputs, n.TrainingCount, n.OutputCount, "TrainingOutputs");
  for (int32_t p = 1; p <= n.TrainingCount; ++p) {
    for (int j = 1; j <= nIn; ++j) NumberLine(out, n.TrainingInputs(p, j));
    for (int k = 1; k <= n.OutputCount; ++k) NumberLine(out, n.TrainingOutputs(p, k));
  }
}

std::string CompiledFileText(bool hasBackProp, bool hasGrnn) {
  std::string out;
  AppendGeneralSection(out);
  if (hasBackProp) {
    AppendBackPropSection(out);
  } else {
    Marker(out, "No BackProp");
  }
  Marker(out, "*** GRNN ***");
  if (hasGrnn) {
    AppendGrnnSection(out);
  } else {
    Marker(out, "No GRNN");
  }
  return out;
}

}  // namespace quenby
