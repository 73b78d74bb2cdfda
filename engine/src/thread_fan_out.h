#pragma once
// Rows of a table split over threads, as both vector kernels run their
// cases. Each thread takes one run of consecutive rows; the caller learns
// the smallest row a run could not vouch for, so the result is the one a
// single thread would report, whatever the number of threads.
//
// Nothing escapes: a thread that cannot start (std::thread throws
// std::system_error when the system refuses one, std::bad_alloc when its
// state cannot be allocated) runs its part on the calling thread instead,
// so every failure to start is caught, not one kind of it. The engine's
// C API must never see an exception.
#include <cstdint>
#include <functional>
#include <thread>

namespace quenby {

// Past this many a thread more only shares the memory bandwidth; it bounds
// both an explicit request and a many-processor machine.
inline constexpr int kMostThreads = 64;

// The threads for `rows` rows of `terms` operations: `asked` when it is 1 or
// more, else one when terms < leastThreadedTerms (a second thread would cost
// more than it saves) and one per processor otherwise; always 1 to
// kMostThreads, and no more than one per row.
int ThreadsFor(int asked, int64_t rows, int64_t terms, int64_t leastThreadedTerms);

// What one part does with rows from..to (part counts from 0): returns the
// first row it could not vouch for, or a row past `to`. Must not throw.
using PartWork = std::function<int32_t(int part, int32_t from, int32_t to)>;

// Starts a thread running `run`; throws as std::thread's constructor does
// when it cannot. Tests pass one that refuses.
using ThreadStarter = std::function<std::thread(std::function<void()> run)>;
std::thread StartThread(std::function<void()> run);

// Splits rows first..last into `threads` runs of consecutive rows (part t
// takes first + rows * t / threads on), runs work on each (part 0 on this
// thread, and any part whose thread cannot start after it) and returns the
// smallest row a part reported, or last + 1. threads = 1 runs inline.
int32_t InParts(int threads, int32_t first, int32_t last, const PartWork& work,
                const ThreadStarter& start = StartThread);

}  // namespace quenby
