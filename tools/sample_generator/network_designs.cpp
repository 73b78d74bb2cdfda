#include "network_designs.h"

#include <cmath>

namespace samples {

namespace {

std::vector<ColumnSource> Hosts(std::initializer_list<int> vars) {
  std::vector<ColumnSource> out;
  for (int v : vars) out.push_back({SourceKind::Host, v});
  return out;
}

void Append(std::vector<ColumnSource>& to, const std::vector<ColumnSource>& more) { to.insert(to.end(), more.begin(), more.end()); }

double Arrival(const HostCase& c, int) { return ArrivalDays(c); }

}  // namespace

double ColumnValue(const ColumnSource& source, const HostCase& c, int s, double firstStage) {
  const double year = s;
  switch (source.kind) {
    case SourceKind::Host: return c.h[static_cast<size_t>(source.var)];
    case SourceKind::Year: return year;
    case SourceKind::Rainfall: return c.Rainfall(s);
    case SourceKind::Temperature: return c.Temperature(s);
    case SourceKind::Pumping: return c.Pumping(s);
    case SourceKind::PhaseOneTwo: return year < c.h[kRemediationStart] ? 1.0 : 2.0;
    case SourceKind::StartedZeroOne: return year < c.h[kRemediationStart] ? 0.0 : 1.0;
    case SourceKind::ArrivedZeroOne: return year < std::floor(firstStage / 365.0) ? 0.0 : 1.0;
    case SourceKind::PumpingAtRemediation: {
      long k = 411 + static_cast<long>(std::floor(c.h[kRemediationStart]));
      return k >= 1 && k <= kHostVariables ? c.h[static_cast<size_t>(k)] : 0.0;
    }
  }
  return 0.0;
}

std::string ColumnTitle(const ColumnSource& source) {
  switch (source.kind) {
    case SourceKind::Host: return HostVariableTitle(source.var);
    case SourceKind::Year: return "Year";
    case SourceKind::Rainfall: return "Rainfall (mm)";
    case SourceKind::Temperature: return "Mean temperature (C)";
    case SourceKind::Pumping: return "Pumping rate (m3/d)";
    case SourceKind::PhaseOneTwo: return "Remediation phase";
    case SourceKind::StartedZeroOne: return "Remediation running";
    case SourceKind::ArrivedZeroOne: return "Plume arrived";
    case SourceKind::PumpingAtRemediation: return "Pumping at remediation start (m3/d)";
  }
  return {};
}

SampleDesigns MakeSampleDesigns() {
  SampleDesigns d;

  // First stage: when the plume reaches the well. Fuzzy clustering of the
  // site's hydraulics gives three derived inputs; a general regression
  // network is trained beside the back-propagation one.
  NetworkDesign& f = d.firstStage;
  f.name = "Arrival";
  f.purpose = "Arrival time of the plume at the well";
  f.controlLabel = "First-stage network: arrival time (days)";
  f.columns = Hosts({1, 2, 3, 5, 6, 9, 10, 11, 12, 14, 15, 16, 22, 24, 25, 26, 32, 34, 44, 45,
                     46, 47, 48, 53, 54, 55, 257, 258, 260, 261, 264, 265, 267, 269, 270, 271, 277, 287, 307});
  f.columns.push_back({SourceKind::PumpingAtRemediation, 0});
  f.outputs = {{"Arrival time (days)", Arrival}};
  f.perYear = false;
  f.cases = 360;
  f.hidden = 8;
  f.clusters = 3;
  f.clusterColumns = {0, 1, 2};
  f.derivedCodes = {1, 3, 4};
  f.grnn = "Holdout";
  f.training = {1500, 8, 0.1, 0.9, 11};

  // Network A: the source zone, two outputs; a slabbed hidden layer.
  NetworkDesign& a = d.networkA;
  a.name = "SourceZone";
  a.purpose = "Source concentration and water table under the source";
  a.controlLabel = "Network A: source zone (two outputs)";
  a.columns = Hosts({1, 2, 3, 5, 6, 8, 9, 10, 11, 12, 14, 15, 16, 22, 24, 25, 26, 32, 34, 35,
                     36, 37, 39, 40, 41, 42, 44, 45});
  a.columns.push_back({SourceKind::Year, 0});
  Append(a.columns, Hosts({50, 53}));
  a.columns.push_back({SourceKind::Rainfall, 0});
  Append(a.columns, Hosts({257, 258, 260, 261, 263, 264, 265, 266, 267, 270, 271, 277, 280, 281, 287, 290, 291, 292, 295, 296}));
  a.columns.push_back({SourceKind::PhaseOneTwo, 0});
  a.columns.push_back({SourceKind::Temperature, 0});
  a.columns.push_back({SourceKind::Pumping, 0});
  a.outputs = {{"Source concentration (mg/L)", SourceConcentration}, {"Water table depth (m)", WaterTableDepth}};
  a.cases = 300;
  a.yearsPerCase = 8;
  a.hidden = 12;
  a.slabs = {"Logistic", "tan Hyperbolic"};
  a.multiSlab = true;
  a.training = {800, 16, 0.02, 0.9, 21, 1e-3};

  // Network B: the spring.
  NetworkDesign& b = d.networkB;
  b.name = "Spring";
  b.purpose = "Discharge of the spring below the site";
  b.controlLabel = "Network B: spring discharge";
  for (int j = 1; j <= 6; ++j) b.columns.push_back({SourceKind::Host, 255 + j});
  for (int j = 7; j <= 41; ++j) b.columns.push_back({SourceKind::Host, 256 + j});
  for (int j = 42; j <= 46; ++j) b.columns.push_back({SourceKind::Host, 257 + j});
  b.columns.push_back({SourceKind::Year, 0});
  b.columns.push_back({SourceKind::PhaseOneTwo, 0});
  b.columns.push_back({SourceKind::StartedZeroOne, 0});
  Append(b.columns, Hosts({308, 309}));
  b.columns.push_back({SourceKind::Temperature, 0});
  b.columns.push_back({SourceKind::Pumping, 0});
  b.outputs = {{"Spring discharge (L/s)", SpringDischarge}};
  b.cases = 300;
  b.yearsPerCase = 8;
  b.hidden = 8;
  b.training = {300, 16, 0.05, 0.9, 31, 1e-3};
  // A general regression network beside it, with a smoothing factor per
  // input found by a search on held-out records.
  b.grnn = "Genetic";
  b.grnnPatterns = 400;

  // Network C: the well; its range file widens the output range.
  NetworkDesign& c = d.networkC;
  c.name = "Well";
  c.purpose = "Concentration at the supply well";
  c.controlLabel = "Network C: concentration at the well";
  c.columns = Hosts({1, 2, 3, 5, 6, 8, 9, 10, 11, 12, 14, 15, 16, 22, 24, 25, 26, 32, 34, 35,
                     36, 37, 39, 40, 41, 42, 44, 45, 46, 47});
  c.columns.push_back({SourceKind::Year, 0});
  c.columns.push_back({SourceKind::ArrivedZeroOne, 0});
  Append(c.columns, Hosts({53, 54}));
  c.columns.push_back({SourceKind::Rainfall, 0});
  Append(c.columns, Hosts({257, 258, 260, 261, 263, 264, 265, 267, 277, 287, 292}));
  c.columns.push_back({SourceKind::Pumping, 0});
  c.outputs = {{"Well concentration (mg/L)", WellConcentration}};
  c.cases = 300;
  c.yearsPerCase = 8;
  c.hidden = 10;
  c.rangeFile = true;
  c.training = {800, 16, 0.03, 0.9, 41, 1e-3};
  return d;
}

}  // namespace samples
