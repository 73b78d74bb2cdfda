// Method 1 with a stand-in driver: a shell script named Torvane in the
// working folder that logs its run, puts a prepared result file in place and
// ends with a chosen exit code.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/number_text.h"
#include "pellmar.h"
#include "test_folder.h"

namespace {

using testing_support::CurrentFolder;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

std::string ResultText(double base, int lines = 400) {
  std::string text;
  for (int i = 0; i < lines; ++i) common::AppendNumberLine(text, base + i * 0.25);
  return text;
}

class Calculation : public ::testing::Test {
 protected:
  Calculation() : cwd(folder.Path()) {
    in[0] = 1.0;
    for (int k = 1; k <= 510; ++k) in[k] = k + 0.5;
    for (double& v : out) v = -7;
  }
  // The stand-in driver: copies "next.dat" to "outfile.dat" when present.
  void StandInDriver(int exitCode) {
    WriteFile(folder.File("Torvane"), "#!/bin/sh\necho run >> ran.txt\n[ -f next.dat ] && cp next.dat outfile.dat\nexit " +
                                          std::to_string(exitCode) + "\n");
    std::filesystem::permissions(folder.File("Torvane"), std::filesystem::perms::owner_all);
  }
  int32_t Call() {
    int32_t status = -5;
    interface_function(1, &status, in, out);
    return status;
  }
  bool DriverRan() { return Exists(folder.File("ran.txt")); }
  void ExpectOutUntouched() {
    for (int i = 0; i < 400; ++i) ASSERT_EQ(out[i], -7) << i;
  }
  TempFolder folder;
  CurrentFolder cwd;
  double in[511];
  double out[400];
};

TEST_F(Calculation, RunsTheDriverAndReadsItsResults) {
  StandInDriver(0);
  WriteFile(folder.File("inputvars.dat"), std::string(20000, 'x'));  // longer earlier file
  WriteFile(folder.File("next.dat"), ResultText(3));
  EXPECT_EQ(Call(), 0);
  EXPECT_TRUE(DriverRan());
  for (int i = 0; i < 400; ++i) ASSERT_EQ(out[i], 3 + i * 0.25) << i;
  std::string inputs = ReadFile(folder.File("inputvars.dat"));
  ASSERT_EQ(inputs.size(), 510u * 17);
  EXPECT_EQ(inputs.substr(0, 17), "         1.5000\r\n");  // element 1 first, the flag not written
  EXPECT_EQ(inputs.substr(509 * 17), "       510.5000\r\n");
}

TEST_F(Calculation, RunFlagDecidesWhetherTheDriverRuns) {
  struct Case {
    double flag;
    bool runs;
  };
  const Case cases[] = {{1.0, true},    {0.9, true},          {1.1, true},   {1.0999999, true}, {1.100000001, true},
                        {0.0, false},   {0.8999, false},      {1.100000002, false}, {2.0, false},
                        {std::nan(""), false}};
  StandInDriver(0);
  for (const Case& x : cases) {
    std::filesystem::remove(folder.File("ran.txt"));
    std::filesystem::remove(folder.File("inputvars.dat"));
    WriteFile(folder.File("outfile.dat"), ResultText(100));
    WriteFile(folder.File("next.dat"), ResultText(200));
    in[0] = x.flag;
    EXPECT_EQ(Call(), 0) << x.flag;
    EXPECT_EQ(DriverRan(), x.runs) << x.flag;
    EXPECT_EQ(Exists(folder.File("inputvars.dat")), x.runs) << x.flag;
    // Either the new results or, with the flag clear, the previous ones.
    EXPECT_EQ(out[399], (x.runs ? 200 : 100) + 399 * 0.25) << x.flag;
  }
}

TEST_F(Calculation, DriverThatFailsGivesStatusOneAndKeepsTheVector) {
  WriteFile(folder.File("outfile.dat"), ResultText(100));  // an earlier run's results
  StandInDriver(3);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Call(), 1);
  std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(DriverRan());
  ExpectOutUntouched();
  EXPECT_NE(diagnostic.find("exit code 3"), std::string::npos) << diagnostic;
}

// The reasons outlive the console: Pellmar.err holds the adapter's line and
// the driver's own; the next good calculation removes both files.
TEST_F(Calculation, FailureLeavesPellmarErrAndTheNextGoodCalculationRemovesIt) {
  WriteFile(folder.File("Torvane.err"), "Torvane: from an earlier run\r\n");
  WriteFile(folder.File("Torvane"), "#!/bin/sh\nprintf 'Torvane: file not found: projects/Well.dat\\r\\n' > Torvane.err\nexit 1\n");
  std::filesystem::permissions(folder.File("Torvane"), std::filesystem::perms::owner_all);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Call(), 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFile(folder.File("Pellmar.err")),
            "Pellmar: the driver Torvane ended with exit code 1\r\nTorvane: file not found: projects/Well.dat\r\n");

  // A driver that is not there: no stale Torvane.err line is blamed.
  std::filesystem::remove(folder.File("Torvane"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(Call(), 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFile(folder.File("Pellmar.err")).find("Torvane:"), std::string::npos);

  StandInDriver(0);
  WriteFile(folder.File("Torvane.err"), "Torvane: stale\r\n");
  WriteFile(folder.File("next.dat"), ResultText(3));
  EXPECT_EQ(Call(), 0);
  EXPECT_FALSE(Exists(folder.File("Pellmar.err")));
  EXPECT_FALSE(Exists(folder.File("Torvane.err")));
  // Methods other than 1 touch no file, a stale report included.
  WriteFile(folder.File("Pellmar.err"), "x\r\n");
  for (int32_t method : {0, 2, 3, 99, 7}) {
    int32_t status = -1;
    interface_function(method, &status, in, out);
  }
  EXPECT_EQ(ReadFile(folder.File("Pellmar.err")), "x\r\n");
}

// Two calculations in one folder at once: the second is refused, names the
// folder and leaves the first one's files alone.
TEST_F(Calculation, ASecondCalculationInTheSameFolderIsRefused) {
  WriteFile(folder.File("Torvane"), "#!/bin/sh\necho run >> ran.txt\nwhile [ ! -f go ]; do sleep 0.01; done\ncp next.dat outfile.dat\n");
  std::filesystem::permissions(folder.File("Torvane"), std::filesystem::perms::owner_all);
  WriteFile(folder.File("next.dat"), ResultText(3));
  int32_t firstStatus = -5;
  double firstOut[400];
  std::thread first([&] { interface_function(1, &firstStatus, in, firstOut); });
  for (int i = 0; i < 3000 && !DriverRan(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(DriverRan());
  const std::string inputs = ReadFile(folder.File("inputvars.dat"));
  in[1] = -99;
  testing::internal::CaptureStderr();
  const int32_t second = Call();
  const std::string diagnostic = testing::internal::GetCapturedStderr();
  WriteFile(folder.File("go"), "");
  first.join();
  EXPECT_EQ(second, 1);
  ExpectOutUntouched();
  EXPECT_NE(diagnostic.find("the folder " + std::filesystem::current_path().string() + " is in use by another calculation"),
            std::string::npos)
      << diagnostic;
  EXPECT_EQ(ReadFile(folder.File("inputvars.dat")), inputs);
  EXPECT_EQ(firstStatus, 0);
  EXPECT_EQ(firstOut[399], 3 + 399 * 0.25);
  EXPECT_EQ(ReadFile(folder.File("ran.txt")), "run\n");  // the driver ran once
}

TEST_F(Calculation, DriverThatIsMissingGivesStatusOne) {
  WriteFile(folder.File("outfile.dat"), ResultText(100));
  testing::internal::CaptureStderr();
  EXPECT_EQ(Call(), 1);
  testing::internal::GetCapturedStderr();
  ExpectOutUntouched();
}

TEST_F(Calculation, BadOutFileGivesStatusOneAndTheDiagnostic) {
  struct Case {
    const char* name;
    std::string text;  // nullptr-like "-": no file
    const char* diagnostic;
  };
  const std::string path = std::filesystem::canonical(folder.Path()).string() + "/outfile.dat";
  const Case cases[] = {
      {"short", ResultText(1, 399), "severe (24): end-of-file during read, unit 13, file "},
      {"missing", "-", "severe (24): end-of-file during read, unit 13, file "},
      {"asterisks", ResultText(1, 10) + "***************\r\n" + ResultText(1, 389),
       "severe (59): list-directed I/O syntax error, unit 13, file "},
      {"too large", ResultText(1, 10) + "1E999\r\n" + ResultText(1, 389),
       "severe (64): input conversion error, unit 13, file "},
  };
  in[0] = 0;  // flag clear: only the reading
  for (const Case& x : cases) {
    SCOPED_TRACE(x.name);
    std::filesystem::remove(folder.File("outfile.dat"));
    if (x.text != "-") WriteFile(folder.File("outfile.dat"), x.text);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Call(), 1);
    std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_EQ(diagnostic, x.diagnostic + path + "\n");
    ExpectOutUntouched();
    EXPECT_TRUE(Exists(folder.File("outfile.dat")));  // a missing one is created empty
  }
}

TEST_F(Calculation, WriteThatFailsGivesStatusOneAndTheDiagnostic) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full to write to";
  StandInDriver(0);
  WriteFile(folder.File("outfile.dat"), ResultText(100));
  std::filesystem::create_symlink("/dev/full", folder.File("inputvars.dat"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(Call(), 1);
  std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_EQ(diagnostic.rfind("severe (38): error during write, unit 12, file ", 0), 0u) << diagnostic;
  EXPECT_FALSE(DriverRan());
  ExpectOutUntouched();
}

TEST_F(Calculation, FilesThatCannotBeOpened) {
  StandInDriver(0);
  std::filesystem::create_directory(folder.File("inputvars.dat"));
  WriteFile(folder.File("outfile.dat"), ResultText(100));
  EXPECT_EQ(Call(), 1);
  EXPECT_FALSE(DriverRan());
  ExpectOutUntouched();
  // A folder where "outfile.dat" should be: it opens but cannot be read.
  in[0] = 0;
  std::filesystem::remove(folder.File("outfile.dat"));
  std::filesystem::create_directory(folder.File("outfile.dat"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(Call(), 1);
  testing::internal::GetCapturedStderr();
  ExpectOutUntouched();
}

}  // namespace
