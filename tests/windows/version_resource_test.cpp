// The version resource of each deliverable: what Explorer shows under the
// file's properties must be the version the tools answer --version with.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/version.h"

namespace {

struct FileVersion {
  std::wstring text;        // StringFileInfo "FileVersion"
  DWORD major = 0, minor = 0, patch = 0;  // VS_FIXEDFILEINFO
};

bool ReadVersion(const std::wstring& file, FileVersion& v) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return false;
  v.major = HIWORD(fixed->dwFileVersionMS);
  v.minor = LOWORD(fixed->dwFileVersionMS);
  v.patch = HIWORD(fixed->dwFileVersionLS);
  wchar_t* text = nullptr;
  if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&text), &length) ||
      !text)
    return false;
  v.text = text;
  return true;
}

TEST(VersionResource, EachDeliverableCarriesTheProjectVersion) {
  const std::string expected = common::kVersion;
  const std::wstring expectedWide(expected.begin(), expected.end());
  for (const char* file : {QUENBY_TEST_PELLMAR, QUENBY_TEST_TORVANE, QUENBY_TEST_QUENBY}) {
    std::string path = file;
    FileVersion v;
    ASSERT_TRUE(ReadVersion(std::wstring(path.begin(), path.end()), v)) << path << ": no version resource";
    EXPECT_EQ(v.text, expectedWide) << path;
    EXPECT_EQ(std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch), expected) << path;
  }
}

}  // namespace
