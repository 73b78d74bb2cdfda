// How realizations are handed out to driver runs: groups, run sizes, failed
// runs split until the failing realizations stand alone, mixed runs redone
// one by one. A stand-in driver answers each case with its own number.
#include "driver_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace tools {
namespace {

struct FakeDriver {
  std::vector<std::string> fails;  // cases the driver fails on
  double firstStage = 7;           // what it reports as case 1's answer
  std::mutex mutex;
  std::vector<size_t> runSizes;

  CaseRunner Runner() {
    return [this](const std::vector<const std::string*>& cases, std::vector<std::vector<double>>& values, double& f, std::string& failure) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        runSizes.push_back(cases.size());
      }
      for (size_t c = 0; c < cases.size(); ++c)
        if (std::find(fails.begin(), fails.end(), *cases[c]) != fails.end()) {
          failure = "Torvane: case " + std::to_string(c + 1) + " is " + *cases[c];
          return false;
        }
      values.clear();
      for (const auto* c : cases) values.push_back(std::vector<double>(400, std::stod(*c)));
      f = firstStage;
      return true;
    };
  }
};

std::vector<std::string> Numbers(size_t n) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < n; ++i) texts.push_back(std::to_string(i));
  return texts;
}

TEST(DriverRuns, FailedRunsAreSplitAndTheOthersStillComeOut) {
  FakeDriver driver;
  driver.fails = {"5", "600"};
  const std::vector<std::string> texts = Numbers(700);
  std::vector<int> groups(700, 7);
  groups[3] = -1;  // runs alone
  size_t lastDone = 0;
  std::vector<RealizationOutcome> out =
      RunCases(texts, groups, 327, {driver.Runner(), driver.Runner()}, [](double f) { return static_cast<int>(f); },
               [&](size_t done) { lastDone = done; });
  ASSERT_EQ(out.size(), 700u);
  for (size_t i = 0; i < out.size(); ++i) {
    if (i == 5 || i == 600) {
      EXPECT_EQ(out[i].failure, "Torvane: case 1 is " + texts[i]);
      EXPECT_TRUE(out[i].values.empty());
    } else {
      ASSERT_EQ(out[i].values.size(), 400u) << i;
      EXPECT_EQ(out[i].values[399], static_cast<double>(i)) << i;
      EXPECT_EQ(out[i].failure, "");
    }
  }
  EXPECT_EQ(lastDone, 700u);
  for (size_t size : driver.runSizes) EXPECT_LE(size, 327u);
}

TEST(DriverRuns, ARunWhoseFirstCaseBelongsElsewhereIsRedoneCaseByCase) {
  FakeDriver driver;
  driver.firstStage = 3;  // the group says 7
  std::vector<RealizationOutcome> out =
      RunCases(Numbers(4), std::vector<int>(4, 7), 327, {driver.Runner()}, [](double f) { return static_cast<int>(f); }, nullptr);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(out[i].values.at(0), static_cast<double>(i));
  EXPECT_EQ(driver.runSizes, (std::vector<size_t>{4, 1, 1, 1, 1}));
}

}  // namespace
}  // namespace tools
