#include "sample_set.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/failure.h"
#include "common/platform.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "host_process.h"
#include "network_designs.h"
#include "project_files.h"
#include "trained_project.h"

namespace samples {

namespace {

// The adapter hands the driver four decimals; the demo case uses exactly
// what the driver will read.
double FourDecimals(double v) { return std::round(v * 10000.0) / 10000.0; }
std::string Summary(const Project& p) {
  const NetworkDesign& d = *p.design;
  std::string s = d.name + ": " + std::to_string(p.direct) + " inputs";
  if (!d.derivedCodes.empty()) s += " + " + std::to_string(d.derivedCodes.size()) + " from a fuzzy clustering";
  s += ", " + std::to_string(d.hidden) + " hidden";
  if (d.multiSlab) s += " in " + std::to_string(d.slabs.size()) + " slabs";
  s += ", " + std::to_string(p.outputs) + (p.outputs == 1 ? " output" : " outputs");
  s += "; " + std::to_string(p.records.size()) + " records, best epoch " + std::to_string(p.report.bestEpoch) +
       ", validation RMS error " + common::GeneralNumber(std::round(std::sqrt(p.report.bestValidationError) * 1e4) / 100) + " % of range";
  if (d.grnn == "Holdout") s += "; GRNN hold-out smoothing " + common::GeneralNumber(p.sigma);
  if (d.grnn == "Genetic") {
    int wide = 0;
    for (double v : p.inputSmoothing) wide += v > p.sigma * 2.0 ? 1 : 0;
    s += "; GRNN genetic smoothing, " + std::to_string(wide) + " of " + std::to_string(p.inputs) + " inputs widened";
  }
  return s;
}

}  // namespace

SampleSet GenerateSampleSet(int effort) {
  SampleDesigns designs = MakeSampleDesigns();
  for (NetworkDesign* d : {&designs.firstStage, &designs.networkA, &designs.networkB, &designs.networkC})
  {
    d->training.epochs = std::max(5, d->training.epochs / std::max(1, effort));
    if (effort > 1) d->grnnSweeps = 1;
  }
  SampleSet set;
  Project first = TrainProject(designs.firstStage, nullptr, 1000);
  Project a = TrainProject(designs.networkA, nullptr, 2000);
  Project b = TrainProject(designs.networkB, nullptr, 3000);
  Project c = TrainProject(designs.networkC, &first, 4000);

  TextLines control;
  control.Add(designs.networkA.controlLabel);
  control.Add(ProjectPath(a));
  control.Add(designs.networkB.controlLabel);
  control.Add(ProjectPath(b));
  control.Add(designs.networkC.controlLabel);
  control.Add(ProjectPath(c));
  control.Add(designs.firstStage.controlLabel);
  control.Add(ProjectPath(first));
  control.Add("Number of cases");
  control.Integer(1);
  set.files.push_back({"Control.dat", std::move(control.text)});

  HostCase demo = DemoCase();
  for (double& v : demo.h) v = FourDecimals(v);
  TextLines inputs;
  for (int n = 1; n <= kHostVariables; ++n) inputs.Number(demo.h[static_cast<size_t>(n)]);
  set.files.push_back({"inputs.txt", std::move(inputs.text)});

  for (const Project* p : {&first, &a, &b, &c}) {
    set.projectPaths.push_back(ProjectPath(*p));
    set.files.push_back(DataFile(*p));
    set.files.push_back(FlagFile(*p));
    set.files.push_back(DesignFile(*p));
    set.files.push_back(NetFile(*p));
    if (p->design->clusters > 0) set.files.push_back(ClusterFile(*p));
    if (p->design->rangeFile) set.files.push_back(RangeFile(*p));
    if (!p->design->grnn.empty()) set.files.push_back(GrnnFile(*p));
    CheckFiles(*p, set.files);
    set.summary.push_back(Summary(*p));
  }

  // The cascade on the demo case, as the driver runs it: the 400 values the
  // host should receive.
  double answer = PredictBackProp(first, DirectValues(designs.firstStage, demo, 0, 0))[0];
  std::vector<std::vector<double>> expected;
  for (int s = 1; s <= kSteps; ++s) {
    std::vector<double> ya = PredictBackProp(a, DirectValues(designs.networkA, demo, s, answer));
    std::vector<double> yc = PredictBackProp(c, DirectValues(designs.networkC, demo, s, answer));
    std::vector<double> yb = PredictBackProp(b, DirectValues(designs.networkB, demo, s, answer));
    // The host receives the driver's 15 significant digits.
    expected.push_back({static_cast<double>(s), RoundToFileDigits(ya[0]), RoundToFileDigits(ya[1]), RoundToFileDigits(yc[0]),
                        RoundToFileDigits(yb[0])});
  }
  set.files.push_back({"checks/demo-expected.csv",
                       tools::FormatCsv({"Year", a.titles[static_cast<size_t>(1 + a.direct)], a.titles[static_cast<size_t>(2 + a.direct)],
                                         c.titles[static_cast<size_t>(1 + c.direct)], b.titles[static_cast<size_t>(1 + b.direct)]},
                                        expected)});
  return set;
}

void WriteSampleSet(const SampleSet& set, const std::string& folder) {
  namespace fs = std::filesystem;
  for (const auto& file : set.files) {
    fs::path path = common::FilesystemPath(folder) / fs::path(file.path);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) common::Fail(common::FailureClass::FileError, "cannot create folder " + path.parent_path().string() + ": " + ec.message());
    common::WriteFileReplacing(path.string(), file.text);
  }
  // Retrained networks must be compiled again: the engine recompiles a
  // project only when its ".DLLFile" file is missing.
  for (const auto& project : set.projectPaths) {
    for (const char* suffix : {".DLLFile", ".MyTitles"}) {
      fs::path stale = common::FilesystemPath(folder) / fs::path(project + suffix);
      std::error_code ec;
      fs::remove(stale, ec);
      if (ec) common::Fail(common::FailureClass::FileError, "cannot remove " + stale.string() + ": " + ec.message());
    }
  }
}

}  // namespace samples
