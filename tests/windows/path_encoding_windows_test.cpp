// Paths with letters beyond ASCII on Windows: the tools take their command
// line as UTF-16 and carry UTF-8, the deliverables take the system code page.
// Run under Wine, whose code page follows LANG (1252 for C.UTF-8).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/text_file.h"
#include "common/tool_arguments.h"

namespace {

namespace fs = std::filesystem;

// "Modèle 1 Ωκ": è is in the usual Western code page, the Greek letters are
// not, so only a UTF-16 road reaches this folder under every code page.
const wchar_t* const kFolder = L"Mod\u00e8le 1 \u03a9\u03ba";
const char* const kFolderUtf8 = "Mod\xc3\xa8le 1 \xce\xa9\xce\xba";

std::string Utf8(const std::wstring& wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), n, nullptr, nullptr);
  text.pop_back();
  return text;
}

class PathEncoding : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::current_path() / fs::path(L"path_encoding") / fs::path(kFolder);
    fs::remove_all(base_.parent_path());
    fs::create_directories(base_);
  }
  void TearDown() override {
    common::SetPathEncoding(common::PathEncoding::SystemCodePage);
    std::error_code ec;
    fs::remove_all(base_.parent_path(), ec);
  }
  fs::path base_;
};

TEST(ToolArguments, AWindowsCommandLineIsSplitIntoUtf8Arguments) {
  struct Case {
    const wchar_t* line;
    std::vector<std::string> args;
  } cases[] = {
      {L"pellmar-run.exe inputs.txt", {"pellmar-run.exe", "inputs.txt"}},
      {L"\"C:\\Mod\u00e8le 1\\quenby.exe\" check --dir \"Z:\\a b\\Mod\u00e8le 1\"",
       {"C:\\Mod\xc3\xa8le 1\\quenby.exe", "check", "--dir", "Z:\\a b\\Mod\xc3\xa8le 1"}},
      {L"x.exe \u03a9\u03ba.txt \u96ea", {"x.exe", "\xce\xa9\xce\xba.txt", "\xe9\x9b\xaa"}},
      // The C run time's rules for quotes and backslashes.
      {L"x.exe \"a\\\"b\" c\\\\d \"\"", {"x.exe", "a\"b", "c\\\\d", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(common::ArgumentsOfCommandLine(c.line), c.args) << Utf8(c.line);
}

// What `pellmar-run.exe inputs.txt` did in such a folder: the path built from
// the current folder is UTF-8 and must reach the file system as such.
TEST_F(PathEncoding, Utf8PathsReadWriteAndReplaceFilesInAFolderBeyondTheCodePage) {
  common::SetPathEncoding(common::PathEncoding::Utf8);
  const std::string folder = base_.string();  // UTF-8, as std::filesystem spells it
  ASSERT_NE(folder.find(kFolderUtf8), std::string::npos);
  const std::string file = folder + "\\inputs.txt";
  common::WriteFileReplacing(file, "1.5\r\n");
  EXPECT_TRUE(fs::exists(base_ / L"inputs.txt"));
  std::string text;
  ASSERT_TRUE(common::ReadWholeFile(file, text));
  EXPECT_EQ(text, "1.5\r\n");
  EXPECT_TRUE(common::FileExists(file));
  std::string error;
  EXPECT_TRUE(common::ReplaceFileWith(file, folder + "\\outfile.dat", &error)) << error;
  EXPECT_TRUE(fs::exists(base_ / L"outfile.dat"));
  common::RemoveFileQuietly(folder + "\\outfile.dat");
  EXPECT_FALSE(fs::exists(base_ / L"outfile.dat"));
  // Malformed UTF-8 names no file at all, rather than a look-alike.
  EXPECT_EQ(common::OpenFile(folder + "\\\xe8.txt", "wb"), nullptr);
}

// The deliverables' 8-bit texts are in the system code page, as before.
TEST_F(PathEncoding, SystemCodePagePathsReachTheSameFile) {
  const fs::path folder = base_.parent_path() / L"Mod\u00e8le 1";
  fs::create_directories(folder);
  const std::wstring wide = (folder / L"Control.dat").wstring();
  BOOL lossy = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, GetACP() == CP_UTF8 ? nullptr : &lossy);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), n, nullptr, GetACP() == CP_UTF8 ? nullptr : &lossy);
  narrow.pop_back();
  if (lossy) GTEST_SKIP() << "the code page " << GetACP() << " cannot spell the folder";
  common::WriteFileReplacing(narrow, "x\r\n");
  EXPECT_TRUE(fs::exists(folder / L"Control.dat"));
  EXPECT_EQ(common::PathFromSystemText(narrow), narrow);
  // A tool reads the same text from "Control.dat" and opens it as UTF-8.
  common::SetPathEncoding(common::PathEncoding::Utf8);
  EXPECT_EQ(common::PathFromSystemText(narrow), Utf8(wide));
  EXPECT_TRUE(common::FileExists(common::PathFromSystemText(narrow)));
}

TEST_F(PathEncoding, ProgramFolderIsSpelledInTheProcessEncoding) {
  wchar_t module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
  common::SetPathEncoding(common::PathEncoding::Utf8);
  EXPECT_EQ(common::ProgramFolder(), Utf8(fs::path(module).parent_path().wstring()));
}

}  // namespace
