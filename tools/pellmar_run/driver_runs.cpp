#include "driver_runs.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <map>

#include "child_process.h"
#include "common/failure.h"
#include "common/free_format.h"
#include "common/text_file.h"
#include "deployment_engine.h"
#include "inputvars_writer.h"
#include "outfile_reader.h"

#ifdef _WIN32
#include <process.h>
#define PELLMAR_RUN_PID _getpid()
#else
#include <unistd.h>
#define PELLMAR_RUN_PID getpid()
#endif

namespace tools {

namespace fs = std::filesystem;
using common::Fail;
using common::FailureClass;

namespace {

constexpr int kSteps = 100, kSeries = 4;

std::string FileIn(const std::string& folder, const char* name) { return (fs::path(folder) / name).string(); }

// The message the driver left, on one line.
std::string LastMessage(const std::string& path) {
  std::string text;
  common::ReadWholeFile(path, text);
  std::string last;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) last = line;
    pos = end + 1;
  }
  return last;
}

}  // namespace

DriverFolder::DriverFolder(const std::string& deployment) : deployment_(fs::absolute(deployment).string()) {
  const std::string control = FileIn(deployment_, "Control.dat");
  std::string text;
  if (!common::ReadWholeFile(control, text)) Fail(FailureClass::FileNotFound, "cannot open the control file " + control);
  // Lines 1 to 9 as they stand; line 10, the case count, is each run's own.
  size_t pos = 0;
  for (int line = 1; line <= 9; ++line) {
    pos = text.find('\n', pos);
    if (pos == std::string::npos) common::FailAt(FailureClass::EndOfFile, "expected 10 lines", control, line);
    ++pos;
  }
  controlHead_ = text.substr(0, pos);

  std::error_code ec;
  static std::atomic<int> serial{0};
  for (int attempt = 0;; ++attempt) {
    fs::path p = fs::temp_directory_path(ec) / ("pellmar-run-" + std::to_string(PELLMAR_RUN_PID) + "-" + std::to_string(serial++));
    if (ec) Fail(FailureClass::FileError, "no temporary folder: " + ec.message());
    if (fs::create_directory(p, ec)) {
      folder_ = p.string();
      break;
    }
    if (attempt > 100) Fail(FailureClass::FileError, "cannot create a temporary folder in " + p.parent_path().string() + ": " + ec.message());
  }
  try {
    for (const char* file : {kDriverFile, kEngineFile}) {
      const std::string from = FileIn(deployment_, file);
      if (!fs::exists(from, ec)) Fail(FailureClass::FileNotFound, "the working folder " + deployment_ + " holds no " + file);
      fs::copy_file(from, FileIn(folder_, file), ec);
      if (ec) Fail(FailureClass::FileError, "cannot copy " + from + " to " + folder_ + ": " + ec.message());
    }
#ifndef _WIN32
    fs::permissions(FileIn(folder_, kDriverFile), fs::perms::owner_exec, fs::perm_options::add, ec);
#endif
  } catch (...) {
    fs::remove_all(folder_, ec);
    throw;
  }
  driver_ = FileIn(folder_, kDriverFile);
}

DriverFolder::~DriverFolder() {
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

bool DriverFolder::Run(const std::vector<const std::vector<double>*>& cases, std::vector<std::vector<double>>& values, double& firstStage,
                       std::string& failure) {
  const std::string outfile = FileIn(folder_, "outfile.dat"), messages = FileIn(folder_, "messages.txt");
  common::RemoveFileQuietly(outfile);
  common::RemoveFileQuietly(messages);
  common::WriteFileReplacing(FileIn(folder_, "Control.dat"), controlHead_ + std::to_string(cases.size()) + "\r\n");
  std::string inputs;
  inputs.reserve(cases.size() * 510 * 17);
  std::vector<double> in(511);
  for (const auto* c : cases) {
    std::copy(c->begin(), c->end(), in.begin() + 1);
    inputs += pellmar::InputVarsText(in.data());
  }
  common::WriteFileReplacing(FileIn(folder_, "inputvars.dat"), inputs);

  ChildOutcome run = RunChild(driver_, deployment_, messages);
  if (!run.started) Fail(FailureClass::FileError, run.error);
  std::string text;
  const int rows = kSteps * static_cast<int>(cases.size());
  std::vector<double> all(static_cast<size_t>(kSeries * rows));
  if (run.exitCode != 0 || !common::ReadWholeFile(outfile, text) || pellmar::ReadOutFileValues(text, all.data(), kSeries * rows).error != pellmar::ExchangeError::None) {
    failure = LastMessage(messages);
    if (failure.empty())
      failure = "the driver ended with exit code " + std::to_string(run.exitCode) + (run.exitCode == 0 ? " but left a short outfile.dat" : "");
    return false;
  }
  values.assign(cases.size(), std::vector<double>(kSeries * kSteps));
  for (size_t c = 0; c < cases.size(); ++c)
    for (int b = 0; b < kSeries; ++b)
      for (int s = 0; s < kSteps; ++s)
        values[c][static_cast<size_t>(b * kSteps + s)] = all[static_cast<size_t>(b * rows) + c * kSteps + static_cast<size_t>(s)];
  firstStage = std::nan("");
  std::string trashy;
  if (common::ReadWholeFile(FileIn(folder_, "trashy.dat"), trashy)) {
    common::FreeFormatCursor cursor(trashy);
    cursor.SkipBlanksAndLineEnds();
    common::ParseFreeValue(cursor.TakeField(","), firstStage);
  }
  return true;
}

namespace {

struct Scheduler {
  DriverFolder& driver;
  const std::vector<std::vector<double>>& inputs;
  const std::function<int(double)>& classOf;
  const std::function<void(size_t)>& progress;
  std::vector<RealizationOutcome>& outcomes;
  size_t done = 0;

  void Finish(size_t count) {
    done += count;
    if (progress) progress(done);
  }

  void Run(const std::vector<size_t>& rows, int group) {
    std::vector<const std::vector<double>*> cases;
    for (size_t i : rows) cases.push_back(&inputs[i]);
    std::vector<std::vector<double>> values;
    double firstStage = 0;
    std::string failure;
    if (driver.Run(cases, values, firstStage, failure)) {
      if (rows.size() > 1 && group >= 0 && classOf(firstStage) != group) {
        // The first case's answer does not give the others their own
        // column after all: each on its own then.
        for (size_t i : rows) Run({i}, -1);
        return;
      }
      for (size_t k = 0; k < rows.size(); ++k) outcomes[rows[k]].values = std::move(values[k]);
      Finish(rows.size());
      return;
    }
    if (rows.size() == 1) {
      outcomes[rows[0]].failure = failure;
      Finish(1);
      return;
    }
    const size_t half = rows.size() / 2;
    Run(std::vector<size_t>(rows.begin(), rows.begin() + static_cast<long>(half)), group);
    Run(std::vector<size_t>(rows.begin() + static_cast<long>(half), rows.end()), group);
  }
};

}  // namespace

std::vector<RealizationOutcome> RunRealizations(DriverFolder& driver, const std::vector<std::vector<double>>& inputs,
                                                const std::vector<int>& groups, size_t casesPerRun,
                                                const std::function<int(double)>& classOf,
                                                const std::function<void(size_t)>& progress) {
  std::vector<RealizationOutcome> outcomes(inputs.size());
  Scheduler scheduler{driver, inputs, classOf, progress, outcomes};
  casesPerRun = std::clamp<size_t>(casesPerRun, 1, kMostCasesPerRun);
  std::map<int, std::vector<size_t>> byGroup;
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (groups[i] < 0) scheduler.Run({i}, -1);
    else byGroup[groups[i]].push_back(i);
  }
  for (const auto& [group, rows] : byGroup)
    for (size_t first = 0; first < rows.size(); first += casesPerRun)
      scheduler.Run(std::vector<size_t>(rows.begin() + static_cast<long>(first),
                                        rows.begin() + static_cast<long>(std::min(rows.size(), first + casesPerRun))),
                    group);
  return outcomes;
}

}  // namespace tools
