// Load and memory checking: two host processes, each in its own working
// folder, calculating side by side give exactly the results of the same
// calculations made one at a time; one whole calculation under memcheck
// shows no error and no leak.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "reliability_support.h"

namespace reliability {
namespace {

namespace fs = std::filesystem;

#ifdef QUENBY_SANITIZED
constexpr int kCalls = 40;
#else
constexpr int kCalls = 200;
#endif

std::vector<HostCall> HostRun(const Folder& folder, unsigned seed, int calls) {
  const std::string report = folder.File("report.txt");
  ProgramRun run =
      RunProgram(folder.File(kHostProgramName), {std::to_string(seed), std::to_string(calls), report}, folder.Path());
  EXPECT_EQ(run.exitCode, 0) << run.errorText;
  std::vector<HostCall> result = ReadHostReport(report);
  fs::remove(report);
  return result;
}

TEST(Load, TwoHostsSideBySideGiveTheResultsOfOneAtATime) {
  Folder first, second;
  Deploy(first, 8, 1);
  Deploy(second, 8, 1);
  std::vector<HostCall> together[2];
  std::thread other([&] { together[1] = HostRun(second, 1000, kCalls); });
  together[0] = HostRun(first, 0, kCalls);
  other.join();

  // The same calculations again, one host after the other, in one folder.
  Folder alone;
  Deploy(alone, 8, 1);
  std::vector<HostCall> apart[2] = {HostRun(alone, 0, kCalls), HostRun(alone, 1000, kCalls)};
  for (int h = 0; h < 2; ++h) {
    ASSERT_EQ(together[h].size(), static_cast<size_t>(kCalls)) << "host " << h;
    ASSERT_EQ(apart[h].size(), static_cast<size_t>(kCalls)) << "host " << h;
    for (int i = 0; i < kCalls; ++i) {
      ASSERT_EQ(together[h][i].status, 0) << "host " << h << " call " << i;
      ASSERT_EQ(apart[h][i].status, 0) << "host " << h << " call " << i;
      ASSERT_EQ(together[h][i].out, apart[h][i].out) << "host " << h << " call " << i;
    }
  }
  // Different inputs give different results: the comparison means something.
  EXPECT_NE(together[0][0].out, together[0][1].out);
  EXPECT_NE(together[0][0].out, together[1][0].out);
  std::printf("side by side: 2 hosts x %d calculations, equal to one at a time\n", kCalls);
}

// The driver with the engine it loads, once under memcheck: two cases
// through all four networks.
TEST(Memcheck, OneWholeCalculation) {
#ifdef QUENBY_SANITIZED
  GTEST_SKIP() << "memcheck cannot run a sanitizer build";
#endif
  if (std::string(QUENBY_VALGRIND).empty() || !fs::exists(QUENBY_VALGRIND)) GTEST_SKIP() << "valgrind not found";
  Folder folder;
  Deploy(folder, 6, 2);
  WriteText(folder.File("inputvars.dat"), InputVarsText(2, 3));
  ProgramRun run =
      RunProgram(QUENBY_VALGRIND,
                 {"--tool=memcheck", "--error-exitcode=99", "--leak-check=full", "--show-leak-kinds=definite,indirect",
                  "--errors-for-leak-kinds=definite,indirect", "--track-origins=yes", folder.File("Torvane")},
                 folder.Path(), {}, -1, 110);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0) << run.errorText;
  EXPECT_NE(run.errorText.find("ERROR SUMMARY: 0 errors"), std::string::npos) << run.errorText;
  EXPECT_NE(run.errorText.find("Memcheck"), std::string::npos) << run.errorText;
  const std::string outfile = ReadText(folder.File("outfile.dat"));
  EXPECT_EQ(std::count(outfile.begin(), outfile.end(), '\n'), 800);
  const size_t summary = run.errorText.find("HEAP SUMMARY");
  if (summary != std::string::npos) std::printf("%s", run.errorText.substr(summary).c_str());

  // The host's side: the adapter loaded by a host, which starts the driver
  // (one case, as the adapter writes it).
  Deploy(folder, 6, 1);
  run = RunProgram(
      QUENBY_VALGRIND,
      {"--tool=memcheck", "--error-exitcode=99", "--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
       folder.File(kHostProgramName), "4", "2", folder.File("report.txt")},
      folder.Path(), {}, -1, 110);
  EXPECT_EQ(run.exitCode, 0) << run.errorText;
  EXPECT_NE(run.errorText.find("ERROR SUMMARY: 0 errors"), std::string::npos) << run.errorText;
  std::vector<HostCall> calls = ReadHostReport(folder.File("report.txt"));
  ASSERT_EQ(calls.size(), 2u);
  for (const HostCall& call : calls) EXPECT_EQ(call.status, 0);
}

}  // namespace
}  // namespace reliability
