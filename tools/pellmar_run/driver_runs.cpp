#include "driver_runs.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "child_process.h"
#include "common/failure.h"
#include "common/platform.h"
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

std::string FileIn(const std::string& folder, const char* name) { return (common::FilesystemPath(folder) / name).string(); }

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

// A run's tables take up to 100 MB that the driver touches once: with
// huge pages the system clears and maps them in a fraction of the time.
// The engine's working tables of one network (up to 16 MB each for 327
// cases) are freed and created again for the next; kept in the heap instead
// of handed back to the system, they are not faulted in and cleared anew.
// Only the C library's allocator reads this; results are the same.
std::vector<std::string> ChildEnvironment() {
#ifdef __GLIBC__
  std::string tunables = "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=1073741824";
  if (const char* own = std::getenv("GLIBC_TUNABLES"); own && *own) tunables = std::string(own) + ":" + tunables;
  return {"GLIBC_TUNABLES=" + tunables};
#else
  return {};
#endif
}

}  // namespace

DriverFolder::DriverFolder(const std::string& deployment) : deployment_(fs::absolute(common::FilesystemPath(deployment)).string()) {
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
      if (!fs::exists(common::FilesystemPath(from), ec)) Fail(FailureClass::FileNotFound, "the working folder " + deployment_ + " holds no " + file);
      fs::copy_file(common::FilesystemPath(from), common::FilesystemPath(FileIn(folder_, file)), ec);
      if (ec) Fail(FailureClass::FileError, "cannot copy " + from + " to " + folder_ + ": " + ec.message());
    }
#ifndef _WIN32
    fs::permissions(FileIn(folder_, kDriverFile), fs::perms::owner_exec, fs::perm_options::add, ec);
#endif
  } catch (...) {
    fs::remove_all(common::FilesystemPath(folder_), ec);
    throw;
  }
  driver_ = FileIn(folder_, kDriverFile);
}

DriverFolder::~DriverFolder() {
  std::error_code ec;
  fs::remove_all(common::FilesystemPath(folder_), ec);
}

std::string ExchangeFileText(const std::vector<double>& inputs) {
  std::vector<double> in(inputs.size() + 1);
  std::copy(inputs.begin(), inputs.end(), in.begin() + 1);
  return pellmar::InputVarsText(in.data());
}

std::vector<double> ExchangeFileValues(const std::string& text) {
  std::vector<double> values;
  common::FreeFormatCursor cursor(text);
  for (;;) {
    cursor.SkipBlanksAndLineEnds();
    if (cursor.AtEnd()) return values;
    double v = 0;
    if (common::ParseFreeValue(cursor.TakeField(","), v) != common::FreeValueStatus::Ok || !std::isfinite(v)) v = std::nan("");
    values.push_back(v);
    cursor.SkipRestOfLine();
  }
}

bool DriverFolder::Run(const std::vector<const std::string*>& cases, std::vector<std::vector<double>>& values, double& firstStage,
                       std::string& failure) {
  const std::string outfile = FileIn(folder_, "outfile.dat"), messages = FileIn(folder_, "messages.txt");
  common::RemoveFileQuietly(outfile);
  common::RemoveFileQuietly(messages);
  common::WriteFileReplacing(FileIn(folder_, "Control.dat"), controlHead_ + std::to_string(cases.size()) + "\r\n");
  std::string inputs;
  inputs.reserve(cases.size() * (cases.empty() ? 0 : cases[0]->size()));
  for (const auto* c : cases) inputs += *c;
  common::WriteFileReplacing(FileIn(folder_, "inputvars.dat"), inputs);

  ChildOutcome run = RunChild(driver_, deployment_, messages, ChildEnvironment());
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

struct Job {
  std::vector<size_t> rows;
  int group;
};

// Runs are handed out to the workers from one queue; a failed or mixed run
// goes back into it in pieces.
class Scheduler {
 public:
  Scheduler(const std::vector<std::string>& texts, const std::function<int(double)>& classOf,
            const std::function<void(size_t)>& progress, std::vector<RealizationOutcome>& outcomes)
      : texts_(texts), classOf_(classOf), progress_(progress), outcomes_(outcomes) {}

  void Add(Job job) { jobs_.push_back(std::move(job)); }

  void Work(const CaseRunner& driver) {
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !jobs_.empty() || busy_ == 0 || failure_; });
        if (jobs_.empty() || failure_) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
        ++busy_;
      }
      std::vector<Job> again;
      size_t finished = 0;
      try {
        finished = Run(driver, job, again);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = again.rbegin(); it != again.rend(); ++it) jobs_.push_front(std::move(*it));
        --busy_;
        done_ += finished;
        if (finished && progress_) progress_(done_);
      }
      changed_.notify_all();
    }
  }

  void Rethrow() {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  // Returns how many realizations came out; the rest go into again.
  size_t Run(const CaseRunner& driver, const Job& job, std::vector<Job>& again) {
    std::vector<const std::string*> cases;
    for (size_t i : job.rows) cases.push_back(&texts_[i]);
    std::vector<std::vector<double>> values;
    double firstStage = 0;
    std::string failure;
    if (driver(cases, values, firstStage, failure)) {
      if (job.rows.size() > 1 && job.group >= 0 && classOf_(firstStage) != job.group) {
        // The first case's answer does not give the others their own
        // column after all: each on its own then.
        for (size_t i : job.rows) again.push_back({{i}, -1});
        return 0;
      }
      for (size_t k = 0; k < job.rows.size(); ++k) outcomes_[job.rows[k]].values = std::move(values[k]);
      return job.rows.size();
    }
    if (job.rows.size() == 1) {
      outcomes_[job.rows[0]].failure = failure;
      return 1;
    }
    const auto half = job.rows.begin() + static_cast<long>(job.rows.size() / 2);
    again.push_back({std::vector<size_t>(job.rows.begin(), half), job.group});
    again.push_back({std::vector<size_t>(half, job.rows.end()), job.group});
    return 0;
  }

  const std::vector<std::string>& texts_;
  const std::function<int(double)>& classOf_;
  const std::function<void(size_t)>& progress_;
  std::vector<RealizationOutcome>& outcomes_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  int busy_ = 0;
  size_t done_ = 0;
  std::exception_ptr failure_;
};

}  // namespace

std::vector<RealizationOutcome> RunCases(const std::vector<std::string>& texts, const std::vector<int>& groups, size_t casesPerRun,
                                         const std::vector<CaseRunner>& runners, const std::function<int(double)>& classOf,
                                         const std::function<void(size_t)>& progress) {
  std::vector<RealizationOutcome> outcomes(texts.size());
  Scheduler scheduler(texts, classOf, progress, outcomes);
  casesPerRun = std::clamp<size_t>(casesPerRun, 1, kMostCasesPerRun);
  std::map<int, std::vector<size_t>> byGroup;
  std::vector<Job> runs, alone;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (groups[i] < 0) alone.push_back({{i}, -1});
    else byGroup[groups[i]].push_back(i);
  }
  for (const auto& [group, rows] : byGroup)
    for (size_t first = 0; first < rows.size(); first += casesPerRun)
      runs.push_back({std::vector<size_t>(rows.begin() + static_cast<long>(first),
                                          rows.begin() + static_cast<long>(std::min(rows.size(), first + casesPerRun))),
                      group});
  // The longest runs first, so that the workers end together.
  std::stable_sort(runs.begin(), runs.end(), [](const Job& a, const Job& b) { return a.rows.size() > b.rows.size(); });
  for (Job& run : runs) scheduler.Add(std::move(run));
  for (Job& run : alone) scheduler.Add(std::move(run));
  std::vector<std::thread> threads;
  for (size_t w = 1; w < runners.size(); ++w) threads.emplace_back([&, w] { scheduler.Work(runners[w]); });
  if (!runners.empty()) scheduler.Work(runners[0]);
  for (auto& t : threads) t.join();
  scheduler.Rethrow();
  return outcomes;
}

std::vector<RealizationOutcome> RunRealizations(const std::string& deployment, const std::vector<std::string>& texts,
                                                const std::vector<int>& groups, size_t casesPerRun, int workers,
                                                const std::function<int(double)>& classOf,
                                                const std::function<void(size_t)>& progress) {
#ifdef _WIN32
  // A child started by one worker inherits every inheritable handle open at
  // that moment, the files another worker is writing among them, and holds
  // them until it ends: that worker then cannot rename its files. One at a time.
  workers = 1;
#endif
  std::vector<std::unique_ptr<DriverFolder>> folders;
  std::vector<CaseRunner> runners;
  for (int w = 0; w < std::max(workers, 1); ++w) {
    folders.push_back(std::make_unique<DriverFolder>(deployment));
    DriverFolder* folder = folders.back().get();
    runners.push_back([folder](const std::vector<const std::string*>& cases, std::vector<std::vector<double>>& values, double& firstStage,
                               std::string& failure) { return folder->Run(cases, values, firstStage, failure); });
  }
  return RunCases(texts, groups, casesPerRun, runners, classOf, progress);
}

}  // namespace tools
