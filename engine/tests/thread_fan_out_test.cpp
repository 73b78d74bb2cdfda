// The fan-out both kernels run their cases through: which rows each part
// gets, which row is reported, and what happens when a thread cannot start.
#include "thread_fan_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <vector>

namespace quenby {
namespace {

struct PartRun {
  int part;
  int32_t from, to;
  bool onCaller;
};

// Every part's rows, by part, and whether it ran on the calling thread.
std::vector<PartRun> Runs(int threads, int32_t first, int32_t last, const ThreadStarter& start = StartThread) {
  std::mutex m;
  std::vector<PartRun> runs;
  const auto caller = std::this_thread::get_id();
  EXPECT_EQ(InParts(threads, first, last,
                    [&](int part, int32_t from, int32_t to) {
                      std::lock_guard<std::mutex> lock(m);
                      runs.push_back({part, from, to, std::this_thread::get_id() == caller});
                      return to + 1;
                    },
                    start),
            last + 1);
  std::sort(runs.begin(), runs.end(), [](const PartRun& a, const PartRun& b) { return a.part < b.part; });
  return runs;
}

TEST(ThreadFanOut, PartsCoverEveryRowOnceInOrderOfRows) {
  struct Case {
    int threads;
    int32_t first, last;
  } cases[] = {{1, 1, 10}, {3, 1, 10}, {7, 5, 1000}, {64, 1, 64}, {4, 1, 2}, {5, -3, 3}, {4, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, rows " << c.first << ".." << c.last);
    int32_t next = c.first;
    for (const PartRun& r : Runs(c.threads, c.first, c.last)) {
      EXPECT_EQ(r.from, next);
      EXPECT_LE(r.from, r.to);
      next = r.to + 1;
    }
    EXPECT_EQ(next, std::max(c.last + 1, c.first));  // rows 3..2: no part runs
  }
}

TEST(ThreadFanOut, TheSmallestRowAnyPartReportsWins) {
  const std::set<int32_t> faultSets[] = {{}, {99}, {30, 60, 90}, {3, 97}, {1}, {100}};
  for (const std::set<int32_t>& faults : faultSets)
    for (int threads : {1, 2, 3, 8}) {
      // Each part reports the first fault of its own run, as a kernel does.
      const int32_t got = InParts(threads, 1, 100, [&](int, int32_t from, int32_t to) {
        auto it = faults.lower_bound(from);
        return it != faults.end() && *it <= to ? *it : to + 1;
      });
      EXPECT_EQ(got, faults.empty() ? 101 : *faults.begin()) << threads << " threads";
    }
}

TEST(ThreadFanOut, OneThreadRunsInlineAndAThreadThatCannotStartRunsItsPartThere) {
  int started = 0;
  auto start = [&](std::function<void()> run) -> std::thread {
    ++started;  // the system refuses the first thread, memory the third
    if (started == 1) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    if (started == 3) throw std::bad_alloc();
    return std::thread(std::move(run));
  };
  const std::vector<PartRun> alone = Runs(1, 1, 50, start);
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_TRUE(alone[0].onCaller);
  EXPECT_EQ(started, 0);
  const std::vector<PartRun> runs = Runs(5, 1, 100, start);
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs.back().to, 100);
  for (const PartRun& r : runs) EXPECT_EQ(r.onCaller, r.part == 0 || r.part == 1 || r.part == 3) << r.part;
}

TEST(ThreadFanOut, ThreadsForBoundsTheRequestByRowsAndTheLimit) {
  const int64_t many = int64_t{1} << 40;
  EXPECT_EQ(ThreadsFor(3, 100, 0, many), 3);  // asked: taken even for small work
  EXPECT_EQ(ThreadsFor(1000, 100000, 0, many), kMostThreads);
  EXPECT_EQ(ThreadsFor(8, 2, 0, many), 2);  // one row per thread at most
  EXPECT_EQ(ThreadsFor(0, 100000, many - 1, many), 1);  // too little work to share
  const int automatic = ThreadsFor(0, 100000, many, many);
  EXPECT_TRUE(automatic >= 1 && automatic <= kMostThreads) << automatic;
}

}  // namespace
}  // namespace quenby
