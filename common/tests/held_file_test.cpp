#include "common/held_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/failure.h"
#include "common/text_file.h"

namespace common {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::string text;
  common::ReadWholeFile(p.string(), text);
  return text;
}

struct Folder {
  fs::path dir = fs::temp_directory_path() / ("quenby-held-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
  Folder() {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string File(const char* name) const { return (dir / name).string(); }
};

TEST(HeldFile, OneHolderAtATimeAndTheContentStaysUntilRewritten) {
  Folder f;
  std::ofstream(f.File("inputvars.dat"), std::ios::binary) << "earlier\r\n";
  HeldFile first, second;
  ASSERT_EQ(first.Hold(f.File("inputvars.dat")), HeldFile::Outcome::Held) << first.Error();
  EXPECT_EQ(second.Hold(f.File("inputvars.dat")), HeldFile::Outcome::Busy);
  // Readers are let through and see the content as it was.
  EXPECT_EQ(Read(f.File("inputvars.dat")), "earlier\r\n");
  ASSERT_TRUE(first.Rewrite("new\r\n")) << first.Error();
  EXPECT_EQ(Read(f.File("inputvars.dat")), "new\r\n");
  first.Release();
  EXPECT_EQ(second.Hold(f.File("inputvars.dat")), HeldFile::Outcome::Held);
  EXPECT_EQ(HeldFile().Hold(f.File("no-such-folder/x")), HeldFile::Outcome::Failed);
}

TEST(HeldFile, ReplacingWritesThroughOneFixedTemporary) {
  Folder f;
  const std::string target = f.File("outfile.dat");
  EXPECT_EQ(TemporaryNameFor(target), target + ".tmp");
  // A temporary a killed writer left behind is taken over, then gone.
  std::ofstream(target + ".tmp", std::ios::binary) << "half a file that was much longer";
  WriteFileReplacing(target, "1\r\n");
  EXPECT_EQ(Read(target), "1\r\n");
  EXPECT_FALSE(fs::exists(target + ".tmp"));
  // While another writer holds the temporary, the target stays as it was.
  HeldFile other;
  ASSERT_EQ(other.Hold(target + ".tmp"), HeldFile::Outcome::Held);
  try {
    WriteFileReplacing(target, "2\r\n");
    ADD_FAILURE() << "no failure";
  } catch (const Failure& e) {
    EXPECT_EQ(e.cls, FailureClass::FileError);
    EXPECT_NE(e.message.find("another process is writing it"), std::string::npos) << e.message;
  }
  EXPECT_EQ(Read(target), "1\r\n");
}

}  // namespace
}  // namespace common
