// The driver killed at random moments: "outfile.dat" and "trashy.dat" are
// always either the previous complete file or the new complete one, and the
// adapter reports every killed run and hands back complete results after it.
#include <dlfcn.h>
#include <signal.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "reliability_support.h"

namespace reliability {
namespace {

using Clock = std::chrono::steady_clock;

// Cases of the slowed driver: each case is 100 rows of every series table.
#ifdef QUENBY_SANITIZED
constexpr int kSlowCases = 8;
#else
constexpr int kSlowCases = 40;
#endif
constexpr int kHidden = 40;
constexpr int kDriverTrials = 200;

struct Outcome {
  std::string outfile, trashy;
};

TEST(DriverKilled, ResultFilesAreAlwaysOneCompleteRun) {
  Folder folder;
  Deploy(folder, kHidden, kSlowCases);
  const std::string torvane = folder.File("Torvane");
  const std::string inputSets[2] = {InputVarsText(kSlowCases, 1), InputVarsText(kSlowCases, 2)};

  // Each input set run to its end twice: the two complete outcomes, and the
  // length of a run, within which the kills are spread.
  Outcome complete[2];
  long fastest = 0;
  for (int r = 0; r < 4; ++r) {
    const int s = r % 2;
    WriteText(folder.File("inputvars.dat"), inputSets[s]);
    auto start = Clock::now();
    ProgramRun run = RunProgram(torvane, {}, folder.Path());
    long took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    fastest = r == 0 ? took : std::min(fastest, took);
    ASSERT_EQ(run.exitCode, 0) << run.errorText;
    complete[s] = {ReadText(folder.File("outfile.dat")), ReadText(folder.File("trashy.dat"))};
  }
  ASSERT_NE(complete[0].outfile, complete[1].outfile);
  ASSERT_NE(complete[0].trashy, complete[1].trashy);

  std::mt19937 random(20261207);
  int killed = 0, finished = 0;
  for (int trial = 0; trial < kDriverTrials; ++trial) {
    const int s = trial % 2;
    WriteText(folder.File("inputvars.dat"), inputSets[s]);
    const std::string before = ReadText(folder.File("outfile.dat"));
    const std::string trashyBefore = ReadText(folder.File("trashy.dat"));
    // Spread over the whole run, its writes at the end included.
    long delay = std::uniform_int_distribution<long>(0, fastest * 13 / 10)(random);
    ProgramRun run = RunProgram(torvane, {}, folder.Path(), {}, delay);
    ASSERT_FALSE(run.timedOut);
    const std::string after = ReadText(folder.File("outfile.dat"));
    const std::string trashyAfter = ReadText(folder.File("trashy.dat"));
    SCOPED_TRACE("trial " + std::to_string(trial) + ", kill after " + std::to_string(delay) + " us");
    if (run.killed) {
      ++killed;
      EXPECT_TRUE(after == before || after == complete[s].outfile) << "outfile.dat damaged";
      EXPECT_TRUE(trashyAfter == trashyBefore || trashyAfter == complete[s].trashy) << "trashy.dat damaged";
    } else {
      ++finished;
      ASSERT_EQ(run.exitCode, 0) << run.errorText;
      EXPECT_EQ(after, complete[s].outfile);
      EXPECT_EQ(trashyAfter, complete[s].trashy);
    }
    if (HasFailure()) return;
    // A killed run may leave its temporary file; it is never taken for a
    // result and the next run's temporary has another name.
    for (const auto& name : FilesOtherThan(folder.Path(), {}))
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) std::remove(folder.File(name).c_str());
  }
  RecordProperty("killed", killed);
  RecordProperty("finished", finished);
  std::printf("driver kill trials: %d killed, %d finished (fastest run %ld us)\n", killed, finished, fastest);
  EXPECT_GE(killed, kDriverTrials / 4);
}

using InterfaceFunction = void (*)(int32_t, int32_t*, double*, double*);

// The host's calls made in this process, with a second thread that kills
// the driver the adapter started once it shows after a random delay.
TEST(DriverKilled, AdapterReportsEveryKilledRunAndKeepsCompleteResults) {
  Folder folder;
  Deploy(folder, kHidden * 8, 1);
  void* adapter = dlopen(folder.File("libPellmar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(adapter, nullptr) << dlerror();
  auto call = reinterpret_cast<InterfaceFunction>(dlsym(adapter, "interface_function"));
  ASSERT_NE(call, nullptr);
  CurrentFolder cwd(folder.Path());

  std::vector<double> complete[2];
  long fastest = 0;
  for (int r = 0; r < 4; ++r) {
    const int s = r % 2;
    std::vector<double> in = HostInputs(10 + s), out(400, -1);
    int32_t status = -5;
    auto start = Clock::now();
    call(1, &status, in.data(), out.data());
    long took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    fastest = r == 0 ? took : std::min(fastest, took);
    ASSERT_EQ(status, 0);
    complete[s] = out;
  }
  ASSERT_NE(complete[0], complete[1]);

  const std::string torvane = folder.File("Torvane");
  std::mt19937 random(7);
  int killed = 0;
  const int trials = 100;
  std::vector<double> previous = complete[1];
  for (int trial = 0; trial < trials; ++trial) {
    const int s = trial % 2;
    std::vector<double> in = HostInputs(10 + s), out(400, -3);
    long delay = std::uniform_int_distribution<long>(0, fastest * 4 / 5)(random);
    std::atomic<bool> done{false}, hit{false};
    std::thread killer([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(delay));
      while (!done) {
        auto pids = ProcessesRunning(torvane);
        for (pid_t pid : pids) kill(pid, SIGKILL);
        if (!pids.empty()) {
          hit = true;
          return;
        }
      }
    });
    int32_t status = -5;
    call(1, &status, in.data(), out.data());
    done = true;
    killer.join();
    SCOPED_TRACE("trial " + std::to_string(trial));
    // A kill that lands as the driver ends may find nothing left to kill:
    // the run is then a complete one.
    if (status == 1) {
      ++killed;
      EXPECT_TRUE(hit) << "a run that nobody killed failed";
      // Flag clear: the last complete results, whichever run wrote them.
      std::vector<double> again(400, -9);
      in[0] = 0;
      call(1, &status, in.data(), again.data());
      EXPECT_EQ(status, 0);
      EXPECT_TRUE(again == previous || again == complete[s]) << "results of no complete run";
      previous = again;
    } else {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(out, complete[s]) << (hit ? "a killed run was reported as done" : "");
      previous = out;
    }
    if (HasFailure()) return;
  }
  std::printf("adapter kill trials: %d of %d runs killed\n", killed, trials);
  EXPECT_GE(killed, trials / 4);
}

}  // namespace
}  // namespace reliability
