// The Windows side of the platform layer and of the file helpers, run under
// Wine: what differs from POSIX (text mode, replacing an open target,
// module paths) is where a port breaks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/failure.h"
#include "common/platform.h"
#include "common/text_file.h"

namespace {

namespace fs = std::filesystem;

class PlatformWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::current_path() / ("platform_windows_" + std::string(
        ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::string text;
    EXPECT_TRUE(common::ReadWholeFile(path, text)) << path;
    return text;
  }
  fs::path dir_;
};

TEST_F(PlatformWindows, ProgramFolderIsTheFolderOfTheRunningExe) {
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  std::string folder = common::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_EQ(fs::path(folder), fs::path(path).parent_path());
  EXPECT_EQ(common::kPathSeparator, '\\');
}

TEST_F(PlatformWindows, LineEndsAreWrittenAsGivenNotTranslated) {
  const std::string text = "a\r\nb\r\n\n1.5 \r\n";
  common::WriteFileReplacing(Path("t.dat"), text);
  EXPECT_EQ(Read(Path("t.dat")), text);
  EXPECT_EQ(fs::file_size(Path("t.dat")), text.size());
}

TEST_F(PlatformWindows, ReplaceFileWithReplacesAnExistingTarget) {
  common::WriteFileReplacing(Path("outfile.dat"), "old\r\n");
  common::WriteFileReplacing(Path("new.tmp"), "new\r\n");
  std::string error;
  ASSERT_TRUE(common::ReplaceFileWith(Path("new.tmp"), Path("outfile.dat"), &error)) << error;
  EXPECT_EQ(Read(Path("outfile.dat")), "new\r\n");
  EXPECT_FALSE(fs::exists(Path("new.tmp")));
  // A second replacement over the file just moved into place.
  common::WriteFileReplacing(Path("outfile.dat"), "third\r\n");
  EXPECT_EQ(Read(Path("outfile.dat")), "third\r\n");
  EXPECT_FALSE(fs::exists(common::TemporaryNameFor(Path("outfile.dat"))));
}

TEST_F(PlatformWindows, ReplaceFileWithAMissingSourceFailsAndKeepsTheTarget) {
  common::WriteFileReplacing(Path("outfile.dat"), "kept\r\n");
  std::string error;
  EXPECT_FALSE(common::ReplaceFileWith(Path("missing.tmp"), Path("outfile.dat"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Read(Path("outfile.dat")), "kept\r\n");
}

TEST_F(PlatformWindows, WriteFileReplacingIntoAMissingFolderFailsWithItsPath) {
  const std::string target = Path("no_such_folder\\outfile.dat");
  try {
    common::WriteFileReplacing(target, "x\r\n");
    FAIL() << "no failure for " << target;
  } catch (const common::Failure& f) {
    EXPECT_NE(f.message.find("outfile.dat"), std::string::npos) << f.message;
  }
}

TEST_F(PlatformWindows, SharedLibraryLoadsAndResolvesByName) {
  // kernel32 is always there; its exports are found by undecorated name.
  common::SharedLibrary lib;
  ASSERT_TRUE(lib.Open("kernel32.dll")) << lib.Error();
  EXPECT_TRUE(lib.IsOpen());
  EXPECT_NE(lib.Resolve("GetSystemDirectoryA"), nullptr);
  EXPECT_EQ(lib.Resolve("NoSuchExport"), nullptr);
  EXPECT_NE(lib.Error().find("NoSuchExport"), std::string::npos) << lib.Error();
}

TEST_F(PlatformWindows, SharedLibraryReportsAMissingLibraryByName) {
  common::SharedLibrary lib;
  EXPECT_FALSE(lib.Open(Path("Quenby.dll")));
  EXPECT_FALSE(lib.IsOpen());
  EXPECT_NE(lib.Error().find("Quenby.dll"), std::string::npos) << lib.Error();
  EXPECT_EQ(lib.Resolve("ApplyNNet"), nullptr);
}

// Wine without a display: the one place a test may take the box path, since
// the box fails at once there instead of waiting for a person.
bool UnderHeadlessWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") && !std::getenv("DISPLAY") &&
         !std::getenv("WAYLAND_DISPLAY");
}

// When the box cannot be shown the notice must reach standard error and
// return at once; a box nobody can see loses it.
TEST(ShowNotice, WithoutADesktopBoxTheMessageGoesToStandardError) {
  if (!UnderHeadlessWine()) GTEST_SKIP() << "would show a box that waits for a person";
  ::testing::internal::CaptureStderr();
  common::ShowNotice("Run the GRNN first");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Run the GRNN first\n");
}

}  // namespace
