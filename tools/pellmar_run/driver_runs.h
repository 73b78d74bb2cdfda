#pragma once
// Realizations through the driver's own multi-case path: copies of the
// deployment's driver and engine in a temporary folder, so that the
// deployment's "Control.dat", exchange files and "trashy.dat" stay as they
// are. The copies run with the deployment as their current folder, so
// project paths, and the compiled networks the engine writes beside the
// projects, are those of a host calculation.
#include <functional>
#include <string>
#include <vector>

namespace tools {

// The largest run: the driver's series tables hold 100 x cases rows in 16 bits.
inline constexpr size_t kMostCasesPerRun = 327;

class DriverFolder {
 public:
  // Creates the temporary folder and copies the driver and the engine of
  // deployment into it; throws common::Failure when it cannot.
  explicit DriverFolder(const std::string& deployment);
  ~DriverFolder();  // removes the temporary folder
  DriverFolder(const DriverFolder&) = delete;
  DriverFolder& operator=(const DriverFolder&) = delete;

  // One run of the driver over cases (each the adapter's "inputvars.dat"
  // text of one realization, ExchangeFileText). True and values[i] (400
  // each, read as the adapter reads them) and the first-stage answer of case
  // 1 on success; false and the driver's message otherwise.
  bool Run(const std::vector<const std::string*>& cases, std::vector<std::vector<double>>& values, double& firstStage,
           std::string& failure);

  const std::string& Folder() const { return folder_; }

 private:
  std::string deployment_, folder_, driver_, controlHead_;
};

struct RealizationOutcome {
  std::vector<double> values;  // 400 when the driver succeeded
  std::string failure;         // the driver's message otherwise
};

// "inputvars.dat" for one case: the 510 host inputs as the adapter writes them.
std::string ExchangeFileText(const std::vector<double>& inputs);
// The numbers the driver reads from that text (NaN for a field it cannot read).
std::vector<double> ExchangeFileValues(const std::string& text);

// Runs every realization (texts[i]: its ExchangeFileText) with `workers`
// driver copies side by side, each in a temporary folder of its own.
// groups[i] >= 0: realizations of one group may share a run (the driver must
// then report the group's first-stage class, classOf(answer) == groups[i],
// else they are run one by one); -1: alone. A failed run is split in halves
// until the failing realizations stand alone. progress(done) after every
// run, from the thread that ran it.
std::vector<RealizationOutcome> RunRealizations(const std::string& deployment, const std::vector<std::string>& texts,
                                                const std::vector<int>& groups, size_t casesPerRun, int workers,
                                                const std::function<int(double)>& classOf,
                                                const std::function<void(size_t)>& progress);

// One driver run as DriverFolder::Run does it; RunCases hands the runs out
// to one such runner per worker thread.
using CaseRunner = std::function<bool(const std::vector<const std::string*>& cases, std::vector<std::vector<double>>& values,
                                      double& firstStage, std::string& failure)>;
std::vector<RealizationOutcome> RunCases(const std::vector<std::string>& texts, const std::vector<int>& groups, size_t casesPerRun,
                                         const std::vector<CaseRunner>& runners, const std::function<int(double)>& classOf,
                                         const std::function<void(size_t)>& progress);

}  // namespace tools
