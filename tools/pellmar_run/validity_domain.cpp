#include "validity_domain.h"

#include <cmath>

#include "common/failure.h"
#include "driver_state.h"
#include "first_stage.h"
#include "series_tables.h"

namespace tools {

namespace {

struct Scan {
  DomainCheck& check;

  // Columns 1.. of rows first..last of table against the network's ranges;
  // steps are numbered from the first row.
  template <typename Network>
  void Table(const Network& n, const torvane::Table& t, int32_t first, int32_t last, bool steps) {
    OutsideInput worst;
    const int32_t width = std::min<int32_t>(t.ColUpper(), static_cast<int32_t>(n.columns.size()));
    for (int32_t j = 1; j <= width; ++j) {
      const quenby::NetworkColumn& col = n.columns[static_cast<size_t>(j - 1)];
      bool outside = false;
      for (int32_t r = first; r <= last; ++r) {
        const double v = t(r, j);
        if (v >= col.min && v <= col.max) continue;
        const double excess = RangeExcess(v, col.min, col.max);
        outside = true;
        if (excess > worst.excess) worst = {n.name, col.title, v, col.min, col.max, excess, steps ? r - first + 1 : 0};
      }
      if (outside) {
        ++check.outside;
        check.inputs.push_back(n.name + ": \"" + col.title + "\"");
      }
    }
    if (worst.excess > 0) check.worst.push_back(worst);
  }
};

}  // namespace

ValidityDomain::ValidityDomain(const ControlProjects& p) {
  auto describe = [](const std::string& role, const std::string& project) {
    try {
      return Network{role + " (" + project + ")", quenby::DescribeNetwork(project).callerColumns};
    } catch (const quenby::NetworkReadError& e) {
      throw common::Failure{static_cast<common::FailureClass>(e.status()), e.what()};
    }
  };
  firstStage_ = describe("first-stage network", p.firstStage);
  a_ = describe("network A", p.networkA);
  b_ = describe("network B", p.networkB);
  c_ = describe("network C", p.networkC);
}

DomainCheck ValidityDomain::Check(const std::vector<double>& seen, double firstStage) const {
  DomainCheck check;
  torvane::CaseCount = 1;
  torvane::StepCount = 100;
  torvane::CaseTable.Redim(0, 1, 0, torvane::kHostVariables, "CaseTable");
  for (int v = 1; v <= torvane::kHostVariables; ++v) torvane::CaseTable(1, v) = seen[static_cast<size_t>(v - 1)];
  const double k = 411 + std::floor(seen[306]);
  if (!(k >= 0 && k <= torvane::kHostVariables)) return check;  // the driver fails on it anyway
  torvane::BuildFirstStageTable();
  torvane::FirstStageResult.Redim(1, 1, 1, 1, "FirstStageResult");
  torvane::FirstStageResult(1, 1) = firstStage;
  torvane::BuildSeriesTables();
  Scan scan{check};
  scan.Table(firstStage_, torvane::FirstStageTable, 1, 1, false);
  scan.Table(a_, torvane::SeriesTable1, 1, 100, true);
  scan.Table(c_, torvane::SeriesTable3, 1, 100, true);
  scan.Table(b_, torvane::SeriesTable2, 1, 100, true);
  return check;
}

}  // namespace tools
