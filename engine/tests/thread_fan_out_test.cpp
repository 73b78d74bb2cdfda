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
  std::thread::id thread;
};

// Every part's rows and thread, sorted by part.
std::vector<PartRun> Runs(int threads, int32_t first, int32_t last, const ThreadStarter& start = StartThread) {
  std::mutex m;
  std::vector<PartRun> runs;
  const int32_t result = InParts(
      threads, first, last,
      [&](int part, int32_t from, int32_t to) {
        std::lock_guard<std::mutex> lock(m);
        runs.push_back({part, from, to, std::this_thread::get_id()});
        return to + 1;
      },
      start);
  EXPECT_EQ(result, last + 1);
  std::sort(runs.begin(), runs.end(), [](const PartRun& a, const PartRun& b) { return a.part < b.part; });
  return runs;
}

TEST(ThreadFanOut, PartsCoverEveryRowOnceInOrderOfRows) {
  struct Case {
    int threads;
    int32_t first, last;
  } cases[] = {{1, 1, 10}, {2, 1, 10}, {3, 1, 10}, {7, 5, 1000}, {64, 1, 64}, {4, 1, 2}, {5, -3, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, rows " << c.first << ".." << c.last);
    const std::vector<PartRun> runs = Runs(c.threads, c.first, c.last);
    ASSERT_FALSE(runs.empty());
    int32_t next = c.first;
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].from, next);
      EXPECT_LE(runs[i].from, runs[i].to);
      if (i > 0) {
        EXPECT_GT(runs[i].part, runs[i - 1].part);
      }
      next = runs[i].to + 1;
    }
    EXPECT_EQ(next, c.last + 1);
    // Parts differ in size by one row at most.
    const int64_t rows = int64_t{c.last} - c.first + 1;
    for (const PartRun& r : runs) EXPECT_LE(r.to - r.from + 1, rows / c.threads + 1);
  }
  EXPECT_TRUE(Runs(4, 3, 2).empty());  // no rows: no part runs
}

TEST(ThreadFanOut, TheSmallestRowAnyPartReportsWins) {
  struct Case {
    std::set<int32_t> faults;
    int32_t expected;
  } cases[] = {{{}, 101}, {{99}, 99}, {{30, 60, 90}, 30}, {{3, 97}, 3}, {{1}, 1}, {{100}, 100}};
  for (const Case& c : cases)
    for (int threads : {1, 2, 3, 8}) {
      // Each part reports the first fault of its own run, as a kernel does.
      const int32_t got = InParts(threads, 1, 100, [&](int, int32_t from, int32_t to) {
        auto it = c.faults.lower_bound(from);
        return it != c.faults.end() && *it <= to ? *it : to + 1;
      });
      EXPECT_EQ(got, c.expected) << threads << " threads";
    }
}

TEST(ThreadFanOut, OneThreadRunsInlineWithoutStartingAny) {
  int started = 0;
  const std::vector<PartRun> runs = Runs(1, 1, 50, [&](std::function<void()> run) {
    ++started;
    return std::thread(std::move(run));
  });
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].thread, std::this_thread::get_id());
  EXPECT_EQ(started, 0);
}

TEST(ThreadFanOut, APartWhoseThreadCannotStartRunsOnTheCallingThread) {
  // The system refuses part 1's thread, memory part 3's; parts 2 and 4 start.
  int asked = 0;
  const std::vector<PartRun> runs = Runs(5, 1, 100, [&](std::function<void()> run) -> std::thread {
    ++asked;
    if (asked == 1) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    if (asked == 3) throw std::bad_alloc();
    return std::thread(std::move(run));
  });
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs.front().from, 1);
  EXPECT_EQ(runs.back().to, 100);
  for (const PartRun& r : runs) {
    const bool inlined = r.part == 0 || r.part == 1 || r.part == 3;
    EXPECT_EQ(r.thread == std::this_thread::get_id(), inlined) << "part " << r.part;
  }
}

TEST(ThreadFanOut, ThreadsForBoundsTheRequestByRowsAndTheLimit) {
  const int64_t many = int64_t{1} << 40;
  EXPECT_EQ(ThreadsFor(3, 100, 0, many), 3);  // asked: taken even for small work
  EXPECT_EQ(ThreadsFor(1000, 100000, 0, many), kMostThreads);
  EXPECT_EQ(ThreadsFor(8, 2, 0, many), 2);  // one row per thread at most
  EXPECT_EQ(ThreadsFor(8, 0, 0, many), 1);
  EXPECT_EQ(ThreadsFor(0, 100000, many - 1, many), 1);  // too little work to share
  const int automatic = ThreadsFor(0, 100000, many, many);
  EXPECT_GE(automatic, 1);
  EXPECT_LE(automatic, kMostThreads);
}

}  // namespace
}  // namespace quenby
