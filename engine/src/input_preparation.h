#pragma once
// From the caller's table of raw values to the network's inputs: the direct
// inputs as they come, and the derived inputs that say where a case lies
// among the cluster centres stored with the network.
#include <cstdint>
#include <vector>

#include "engine_arrays.h"

namespace quenby {

// Works out, from the loaded network alone, the caller's columns: sets
// ExtraInputCount, ExtraInputColumns (the clustering variables that are not
// direct inputs, asked after them) and InputTitles. Extra columns are asked
// only when the network has derived inputs. An output variable flagged for
// clustering is never asked of the caller: its value is what the network
// predicts. Its coordinate reads CaseVariables, that is, the caller's value
// when the same column is supplied as a direct or extra input, else 0.
void PlanInputColumns();
struct LoadedNetwork;
void PlanInputColumns(LoadedNetwork& n);  // the same on a network of the caller's

// The caller's table as it lies in memory, read in place: cell (e, j) of
// cases 1..cases and columns 1..columns (0 when the table has none), rows
// `stride` cells apart, the first cell being (rowLower, colLower). A copy
// of a table this size would cost as much again as everything done with it.
struct InputTableView {
  const double* data = nullptr;
  int64_t rowLower = 0, colLower = 0, stride = 0;
  int64_t cases = 0, columns = 0;
  double operator()(int64_t e, int64_t j) const { return data[(e - rowLower) * stride + (j - colLower)]; }
};

// table: cases 1..cases, columns 1..columns; columns 1..DirectInputCount are
// the direct inputs in network order, then ExtraInputCount extra inputs;
// further columns are ignored. Fills NetInputs (0 To cases, 0 To nIn) and,
// for a network with derived inputs, CaseVariables (0 To cases, 0 To
// VariableCount); without them CaseVariables is (0 To 0, 0 To
// VariableCount), all 0. Fewer columns than needed
// is a subscript failure. The cluster distances and memberships are computed
// once per case.
void BuildNetInputs(const InputTableView& table);
// The same on a (0 To cases, 0 To columns) table, row 0 and column 0 unused.
void BuildNetInputs(const Array2<double>& table);

// Derived input `code` of case caseNumber, whose direct then extra input
// values are caseVector(1..). Code 1: winning cluster number ("Fuzzy": the
// largest membership; "Conv": the nearest); code 2: "Fuzzy" (1 - largest
// membership) / (1 - smallest), "Conv" smallest / largest distance; codes
// 3..ClusterCount + 2: membership in cluster code - 2, whatever the mode;
// otherwise 0. A code that addresses a cluster that does not exist is a
// subscript failure.
double ClusterInput(const Array1<double>& caseVector, int32_t caseNumber, int16_t code);

// Distances (straight-line, in RangeScale units) and memberships (fuzziness
// exponent 2) of one case, entries 1..ClusterCount. A case at distance 0
// from one or more centres has membership 1, shared equally by those
// clusters, and 0 in every other.
struct ClusterGeometry {
  std::vector<double> distances;
  std::vector<double> memberships;
};
void ComputeClusterGeometry(const Array1<double>& caseVector, int32_t caseNumber, ClusterGeometry& g);
double DerivedInputValue(const ClusterGeometry& g, int16_t code);

}  // namespace quenby
