#include "input_preparation.h"

#include <cmath>
#include <string>
#include <utility>

#include "backprop.h"
#include "common/checked16.h"
#include "common/failure.h"
#include "floating_point.h"
#include "loaded_network.h"

namespace quenby {

using common::FailureClass;

namespace {

bool IsDirectInput(const LoadedNetwork& n, int16_t col) {
  for (int i = 1; i <= n.DirectInputCount; ++i) {
    if (n.NetInputColumns.At(i, "NetInputColumns") == col) return true;
  }
  return false;
}

double ScaledAt(const LoadedNetwork& n, double x, int16_t col) {
  return RangeScale(x, n.VarMin.At(col, "VarMin"), n.VarMax.At(col, "VarMax"));
}

// The scaled values of one case, each with its coordinate number, in the
// order they enter every cluster's distance.
void CoordinateTerms(const LoadedNetwork& n, const Array1<double>& caseVector, int32_t e,
                     std::vector<std::pair<int, double>>& terms) {
  terms.clear();
  int p = 0;
  for (int v = 1; v <= n.InputVarCount; ++v) {
    if (n.ClusterVarFlags.At(v, "ClusterVarFlags") != 1) continue;
    ++p;
    const int16_t col = n.InputVarColumns.At(v, "InputVarColumns");
    bool found = false;
    for (int i = 1; i <= n.DirectInputCount; ++i) {
      if (n.NetInputColumns.At(i, "NetInputColumns") != col) continue;
      terms.emplace_back(p, ScaledAt(n, caseVector.At(i, "CaseVector"), col));
      found = true;
    }
    for (int x = 1; x <= n.ExtraInputCount; ++x) {
      if (n.ExtraInputColumns.At(x, "ExtraInputColumns") != col) continue;
      terms.emplace_back(p, ScaledAt(n, caseVector.At(n.DirectInputCount + x, "CaseVector"), col));
      found = true;
    }
    if (!found) terms.emplace_back(p, ScaledAt(n, n.CaseVariables.At(e, col, "CaseVariables"), col));
  }
  for (int v = 1; v <= n.OutputCount; ++v) {
    if (n.ClusterVarFlags.At(n.InputVarCount + v, "ClusterVarFlags") != 1) continue;
    ++p;
    const int16_t col = n.OutputColumns.At(v, "OutputColumns");
    terms.emplace_back(p, ScaledAt(n, n.CaseVariables.At(e, col, "CaseVariables"), col));
  }
  if (n.ClusterCount > 0) {
    for (const auto& t : terms) n.ClusterCentres.At(1, t.first, "ClusterCentres");
  }
}

}  // namespace

void PlanInputColumns() { PlanInputColumns(Net()); }

void PlanInputColumns(LoadedNetwork& n) {
  n.ExtraInputCount = 0;
  n.InputTitles.Redim(n.InputVarCount, "InputTitles");
  for (int i = 1; i <= n.DirectInputCount; ++i) {
    n.InputTitles.At(i, "InputTitles") =
        n.VariableTitles.At(n.NetInputColumns.At(i, "NetInputColumns"), "VariableTitles");
  }
  if (n.ClusterVarCount == 0) return;
  n.ExtraInputColumns.Redim(n.ClusterVarCount, "ExtraInputColumns");
  if (n.DerivedInputCount == 0) return;
  for (int j = 1; j <= n.InputVarCount; ++j) {
    if (n.ClusterVarFlags.At(j, "ClusterVarFlags") != 1) continue;
    const int16_t col = n.InputVarColumns.At(j, "InputVarColumns");
    if (IsDirectInput(n, col)) continue;
    const int16_t extra = common::Add16(n.ExtraInputCount, 1, "extra input count");
    n.ExtraInputColumns.At(extra, "ExtraInputColumns") = col;
    n.InputTitles.At(n.DirectInputCount + extra, "InputTitles") = n.VariableTitles.At(col, "VariableTitles");
    n.ExtraInputCount = extra;
  }
}

void ComputeClusterGeometry(const Array1<double>& caseVector, int32_t e, ClusterGeometry& g) {
  const LoadedNetwork& n = Net();
  const int clusters = n.ClusterCount;
  g.distances.assign(static_cast<size_t>(clusters) + 1, 0.0);
  g.memberships.assign(static_cast<size_t>(clusters) + 1, 0.0);
  if (clusters > 0 && clusters > n.ClusterCentres.Upper1()) {
    common::Fail(FailureClass::Subscript, "ClusterCentres holds " + std::to_string(n.ClusterCentres.Upper1()) +
                                              " clusters; the network states " + std::to_string(clusters));
  }
  std::vector<std::pair<int, double>> terms;
  CoordinateTerms(n, caseVector, e, terms);

  int zeros = 0;
  for (int c = 1; c <= clusters; ++c) {
    double sum = 0.0;
    for (const auto& [p, s] : terms) {
      const double d = s - n.ClusterCentres(c, p);
      sum += d * d;
    }
    Finite(sum, [&] { return "the squared distance of case " + std::to_string(e) + " to cluster " + std::to_string(c); });
    g.distances[static_cast<size_t>(c)] = std::sqrt(sum);
    if (sum == 0.0) ++zeros;
  }

  if (zeros > 0) {
    // On a centre: the limit of the memberships as the distance goes to 0.
    const double share = 1.0 / zeros;
    for (int c = 1; c <= clusters; ++c) g.memberships[static_cast<size_t>(c)] = g.distances[static_cast<size_t>(c)] == 0.0 ? share : 0.0;
    return;
  }
  for (int c = 1; c <= clusters; ++c) {
    double s = 0.0;
    for (int k = 1; k <= clusters; ++k) {
      const double r = g.distances[static_cast<size_t>(c)] / g.distances[static_cast<size_t>(k)];
      s += r * r;
    }
    // A ratio too large for a double only means the case lies far nearer
    // another centre: the membership tends to 0, which 1 / infinity gives.
    g.memberships[static_cast<size_t>(c)] = 1.0 / s;
  }
}

double DerivedInputValue(const ClusterGeometry& g, int16_t code) {
  const LoadedNetwork& n = Net();
  const int clusters = static_cast<int>(g.distances.size()) - 1;
  const bool fuzzy = n.ClusteringMode == "Fuzzy";
  const bool conv = !fuzzy && n.ClusteringMode == "Conv";
  auto needCluster = [&](int c) {
    if (c > clusters) {
      common::Fail(FailureClass::Subscript, "derived input code " + std::to_string(code) + " addresses cluster " +
                                                std::to_string(c) + ", but the network has " +
                                                std::to_string(clusters) + " clusters");
    }
  };
  if (code >= 3) {
    needCluster(code - 2);
    return g.memberships[static_cast<size_t>(code - 2)];
  }
  if (code == 1 && fuzzy) {
    double best = 0.0;
    int result = 0;
    for (int c = 1; c <= clusters; ++c) {
      if (g.memberships[static_cast<size_t>(c)] > best) {
        best = g.memberships[static_cast<size_t>(c)];
        result = c;
      }
    }
    return result;
  }
  if (code == 1 && conv) {
    needCluster(1);
    double best = g.distances[1];
    int result = 1;
    for (int c = 2; c <= clusters; ++c) {
      if (g.distances[static_cast<size_t>(c)] < best) {
        best = g.distances[static_cast<size_t>(c)];
        result = c;
      }
    }
    return result;
  }
  if (code == 2 && (fuzzy || conv)) {
    needCluster(1);
    const std::vector<double>& v = fuzzy ? g.memberships : g.distances;
    double high = v[1], low = v[1];
    for (int c = 2; c <= clusters; ++c) {
      if (v[static_cast<size_t>(c)] > high) high = v[static_cast<size_t>(c)];
      if (v[static_cast<size_t>(c)] < low) low = v[static_cast<size_t>(c)];
    }
    const double r = fuzzy ? (1.0 - high) / (1.0 - low) : low / high;
    return Finite(r, [&] {
      return std::string(fuzzy ? "the membership ratio (1 - largest) / (1 - smallest)"
                               : "the distance ratio smallest / largest") +
             " of derived input code 2";
    });
  }
  return 0.0;
}

double ClusterInput(const Array1<double>& caseVector, int32_t caseNumber, int16_t code) {
  ClusterGeometry g;
  ComputeClusterGeometry(caseVector, caseNumber, g);
  return DerivedInputValue(g, code);
}

void BuildNetInputs(const Array2<double>& table) {
  InputTableView view;
  view.data = table.data();
  view.stride = table.Upper2() + 1;
  view.cases = table.Upper1() < 0 ? 0 : table.Upper1();
  view.columns = table.Upper2() < 0 ? 0 : table.Upper2();
  BuildNetInputs(view);
}

void BuildNetInputs(const InputTableView& table) {
  LoadedNetwork& n = Net();
  const int64_t cases = table.cases;
  const int64_t columns = table.columns;
  const int16_t supplied = common::Add16(n.DirectInputCount, n.ExtraInputCount, "direct + extra input count");
  const int16_t nIn = common::Add16(n.DirectInputCount, n.DerivedInputCount, "network input count");
  if (columns < supplied) {
    common::Fail(FailureClass::Subscript,
                 "the input table has " + std::to_string(columns) + " columns; the network needs " +
                     std::to_string(supplied) + " (" + std::to_string(n.DirectInputCount) + " direct inputs, then " +
                     std::to_string(n.ExtraInputCount) + " clustering variables)");
  }
  n.NetInputs.RedimForOverwrite(cases, nIn, "NetInputs");  // every case's nIn inputs are set below
  // Only the derived inputs read CaseVariables: without them, row 0 keeps
  // the checks of the columns below, and a table of every case would be
  // cleared and scattered into for nothing.
  const bool derived = n.DerivedInputCount > 0;
  n.CaseVariables.Redim(derived ? cases : 0, n.VariableCount, "CaseVariables");
  Array1<double> caseVector;
  caseVector.Redim(supplied, "CaseVector");
  if (cases == 0) return;
  for (int i = 1; i <= n.DirectInputCount; ++i) n.CaseVariables.At(0, n.NetInputColumns.At(i, "NetInputColumns"), "CaseVariables");
  for (int j = 1; j <= n.ExtraInputCount; ++j) n.CaseVariables.At(0, n.ExtraInputColumns.At(j, "ExtraInputColumns"), "CaseVariables");
  if (!derived) {
    for (int32_t e = 1; e <= cases; ++e) {
      for (int i = 1; i <= n.DirectInputCount; ++i) n.NetInputs(e, i) = table(e, i);
    }
    return;
  }
  n.DerivedInputCodes.At(n.DerivedInputCount, "DerivedInputCodes");

  ClusterGeometry g;
  for (int32_t e = 1; e <= cases; ++e) {
    for (int i = 1; i <= n.DirectInputCount; ++i) {
      const double v = table(e, i);
      n.NetInputs(e, i) = v;
      caseVector(i) = v;
      n.CaseVariables(e, n.NetInputColumns(i)) = v;
    }
    for (int j = 1; j <= n.ExtraInputCount; ++j) {
      const double v = table(e, n.DirectInputCount + j);
      caseVector(n.DirectInputCount + j) = v;
      n.CaseVariables(e, n.ExtraInputColumns(j)) = v;
    }
    ComputeClusterGeometry(caseVector, e, g);
    for (int k = 1; k <= n.DerivedInputCount; ++k) {
      n.NetInputs(e, n.DirectInputCount + k) = DerivedInputValue(g, n.DerivedInputCodes(k));
    }
  }
}

}  // namespace quenby
