#include "realizations_run.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <thread>
#include <filesystem>

#include "common/failure.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "deployment_engine.h"
#include "driver_runs.h"
#include "first_stage_answers.h"
#include "host_inputs_file.h"
#include "input_precision.h"
#include "output_guard.h"
#include "pellmar_run_command.h"
#include "progress_bar.h"
#include "series_bands.h"
#include "series_chart.h"
#include "training_range.h"
#include "validity_domain.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

constexpr int kSteps = 100, kSeries = 4;
constexpr size_t kListed = 10;  // report lines before a summary takes over

std::string Quoted(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string q = "\"";
  for (char ch : field) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return q + "\"";
}

void GuardOutputs(const RealizationsRequest& r) {
  std::vector<GuardedFile> guarded{{r.file, "the realizations file"}};
  for (const char* name : {"Control.dat", "inputvars.dat", "outfile.dat", "trashy.dat", kDriverFile, kEngineFile})
    guarded.push_back({(fs::current_path() / name).string(), std::string("the working folder's ") + name});
  std::vector<std::pair<std::string, std::string>> outputs{{r.out, "--out"}, {r.svg, "--svg"}, {r.bands, "--bands"}, {r.precision, "--precision"}};
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].first.empty()) continue;
    RefuseToOverwrite(outputs[i].first, guarded, r.force);
    for (size_t j = i + 1; j < outputs.size(); ++j)
      if (!outputs[j].first.empty() && SameFile(outputs[i].first, outputs[j].first))
        common::Fail(common::FailureClass::InvalidArgument, outputs[i].second + " and " + outputs[j].second + " name the same file " +
                                                                outputs[i].first);
  }
}

// The first changes and a summary on standard error; every one of them in
// the --precision table when one is named.
void ReportPrecision(const Realizations& input, const std::vector<std::vector<double>>& seen, const std::string& table, std::ostream& err) {
  PrecisionReport report(!table.empty());
  for (size_t i = 0; i < input.rows.size(); ++i) report.Add(i + 1, input.lines[i], PrecisionChanges(input.rows[i], seen[i]));
  if (!table.empty()) common::WriteFileReplacing(table, report.Table());
  for (const std::string& line : report.Lines(kListed, input.rows.size())) err << "pellmar-run: precision: " << line << "\n";
}

}  // namespace

int RunRealizationsCommand(const RealizationsRequest& request, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  Realizations input = ReadRealizations(request.file, request.decimal);
  GuardOutputs(request);

  // The exchange file's text of every realization, and the numbers the
  // driver reads back from it.
  const std::string folder = fs::current_path().string();
  const size_t n = input.rows.size();
  std::vector<std::string> texts(n);
  std::vector<std::vector<double>> seen(n);
  std::vector<char> writable(n, 1);  // not vector<bool>: two threads write it
  auto prepare = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      texts[i] = ExchangeFileText(input.rows[i]);
      seen[i] = ExchangeFileValues(texts[i]);
      for (double v : seen[i]) writable[i] = writable[i] && std::isfinite(v);
    }
  };
  // Each realization's text is its own, and no driver runs yet: the second
  // half goes to the other core (a thread that cannot start leaves it here).
  const size_t half = n >= 64 ? n / 2 : n;
  std::exception_ptr prepareFailure;
  std::thread second;
  if (half < n) {
    try {
      second = std::thread([&] {
        try {
          prepare(half, n);
        } catch (...) {
          prepareFailure = std::current_exception();
        }
      });
    } catch (...) {
    }
  }
  try {
    prepare(0, half);
    if (half < n && !second.joinable()) prepare(half, n);
  } catch (...) {
    if (second.joinable()) second.join();
    throw;
  }
  if (second.joinable()) second.join();
  if (prepareFailure) std::rethrow_exception(prepareFailure);
  ReportPrecision(input, seen, request.precision, err);

  // The first-stage answers the driver will compute, to group the runs.
  const ControlProjects projects = ReadControlProjects(folder);
  DeploymentEngine engine(folder);
  std::vector<std::vector<double>> answerable;
  std::vector<size_t> answerRows;
  for (size_t i = 0; i < n; ++i)
    if (writable[i]) answerable.push_back(seen[i]), answerRows.push_back(i);
  std::vector<std::optional<double>> answers = FirstStageAnswers(engine, projects.firstStage, answerable);
  std::vector<int> groups(n, -1);
  std::vector<std::optional<double>> answerOf(n);
  for (size_t k = 0; k < answerRows.size(); ++k)
    if (answers[k]) {
      groups[answerRows[k]] = StepsBeforeArrival(*answers[k]);
      answerOf[answerRows[k]] = answers[k];
    }
  // Compiled before the driver copies start side by side, as the first
  // host calculation would compile them.
  for (const std::string* project : {&projects.networkA, &projects.networkB, &projects.networkC}) engine.CompileIfMissing(*project);

  // The driver runs go on in the background while this thread checks the
  // training ranges.
  ProgressBar bar(err, request.progress && errIsTerminal, n, "realizations");
  std::vector<RealizationOutcome> outcomes;
  std::exception_ptr runFailure;
  std::thread runs([&] {
    try {
      outcomes = RunRealizations(folder, texts, groups, request.casesPerRun, request.workers, StepsBeforeArrival,
                                 [&](size_t done) { bar.Update(done); });
    } catch (...) {
      runFailure = std::current_exception();
    }
  });
  std::vector<std::optional<DomainCheck>> checks(n);
  std::string domainFailure;
  try {
    ValidityDomain domain(projects);
    for (size_t i = 0; i < n; ++i)
      if (answerOf[i]) checks[i] = domain.Check(seen[i], *answerOf[i]);
  } catch (const common::Failure& f) {
    domainFailure = f.message;
  }
  runs.join();
  bar.Finish();
  if (runFailure) std::rethrow_exception(runFailure);

  size_t failed = 0;
  for (size_t i = 0; i < n; ++i)
    if (!outcomes[i].failure.empty()) {
      if (failed++ < kListed)
        err << "pellmar-run: realization " << i + 1 << " (line " << input.lines[i] << " of " << input.name << ") failed: " << outcomes[i].failure
            << "\n";
    }
  if (failed > kListed)
    err << "pellmar-run: and " << failed - kListed << " more realizations failed" << (request.out.empty() ? "" : " (see " + request.out + ")")
        << "\n";
  std::vector<std::optional<int>> outside(n);
  DomainReport report;
  for (size_t i = 0; i < n; ++i)
    if (checks[i] && outcomes[i].failure.empty()) {
      outside[i] = checks[i]->outside;
      report.Add(i, input.lines[i], *checks[i]);
    }
  report.Print(err, "pellmar-run", "realization", n);
  if (!domainFailure.empty()) err << "pellmar-run: the training ranges cannot be checked: " << domainFailure << "\n";

  const std::vector<std::string> titles = SeriesTitles("");
  if (!request.out.empty()) {
    std::string csv;
    csv.reserve(outcomes.size() * kSeries * kSteps * 20);
    for (int b = 0; b < kSeries; ++b)
      for (int s = 1; s <= kSteps; ++s) csv += Quoted(titles[static_cast<size_t>(b)] + " step " + std::to_string(s)) + ",";
    csv += "inputs outside training range,driver failure\r\n";
    for (size_t i = 0; i < outcomes.size(); ++i) {
      const RealizationOutcome& o = outcomes[i];
      for (size_t k = 0; k < static_cast<size_t>(kSeries * kSteps); ++k) {
        if (k < o.values.size()) AppendShortestNumber(csv, o.values[k]);
        csv += ',';
      }
      if (outside[i]) csv += std::to_string(*outside[i]);
      csv.append(",").append(Quoted(o.failure)).append("\r\n");
    }
    common::WriteFileReplacing(request.out, csv);
  }
  std::vector<const std::vector<double>*> done;
  for (const auto& o : outcomes)
    if (o.failure.empty()) done.push_back(&o.values);
  if (!request.svg.empty() || !request.bands.empty() || request.out.empty()) {
    const auto bands = SeriesBands(done, kSeries, kSteps);
    const std::string table = BandsCsv(titles, bands);
    if (!request.bands.empty()) common::WriteFileReplacing(request.bands, table);
    if (request.out.empty() && request.bands.empty() && request.svg.empty()) out << table;
    if (!request.svg.empty()) {
      std::string svg;
      if (done.size() == 1) {
        std::vector<std::vector<double>> series(kSeries);
        for (int b = 0; b < kSeries; ++b)
          series[static_cast<size_t>(b)].assign(done[0]->begin() + b * kSteps, done[0]->begin() + (b + 1) * kSteps);
        svg = SeriesChartSvg("Host calculation: four series of 100 steps", titles, series, "Year");
      } else {
        svg = BandChartSvg(std::to_string(done.size()) + " realizations: median, 5-95 % band and mean", titles, bands, "Year");
      }
      common::WriteFileReplacing(request.svg, svg);
    }
  }
  err << "pellmar-run: " << input.rows.size() - failed << " of " << input.rows.size() << " realizations calculated";
  if (failed) err << ", " << failed << " failed (their rows in the results say why)";
  err << "\n";
  return failed ? 1 : 0;
}

}  // namespace tools
