#include "thread_fan_out.h"

#include <algorithm>
#include <vector>

namespace quenby {

int ThreadsFor(int asked, int64_t rows, int64_t terms, int64_t leastThreadedTerms) {
  int threads = asked;
  if (threads <= 0) {
    if (terms < leastThreadedTerms) return 1;
    threads = static_cast<int>(std::thread::hardware_concurrency());
  }
  return static_cast<int>(std::clamp<int64_t>(std::min(threads, kMostThreads), 1, std::max<int64_t>(rows, 1)));
}

std::thread StartThread(std::function<void()> run) { return std::thread(std::move(run)); }

int32_t InParts(int threads, int32_t first, int32_t last, const PartWork& work, const ThreadStarter& start) {
  if (first > last) return last + 1;
  threads = std::max(threads, 1);
  const int64_t rows = int64_t{last} - first + 1;
  // Allocated before any thread starts: only starting one can fail below.
  std::vector<int32_t> found(static_cast<size_t>(threads), last + 1);
  std::vector<std::thread> workers;
  std::vector<int> inlineParts;
  workers.reserve(static_cast<size_t>(threads));
  inlineParts.reserve(static_cast<size_t>(threads));
  auto part = [&](int t) {
    const auto from = static_cast<int32_t>(first + rows * t / threads);
    const auto to = static_cast<int32_t>(first + rows * (t + 1) / threads - 1);
    if (from > to) return;
    const int32_t stop = work(t, from, to);
    if (stop <= to) found[static_cast<size_t>(t)] = stop;  // past `to`: the whole run went through
  };
  for (int t = 1; t < threads; ++t) {
    try {
      workers.push_back(start([&part, t] { part(t); }));
    } catch (...) {
      inlineParts.push_back(t);
    }
  }
  part(0);
  for (int t : inlineParts) part(t);
  for (std::thread& w : workers)
    if (w.joinable()) w.join();
  return *std::min_element(found.begin(), found.end());
}

}  // namespace quenby
