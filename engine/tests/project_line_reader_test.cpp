#include "project_line_reader.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "project_fixture.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using fixture::ProjectFolder;

TEST(ProjectLineReader, SplitsCrLfAndBareLfAndKeepsAnUnterminatedLastLine) {
  ProjectFolder folder;
  const std::string path = folder.Project() + ".txt";
  ProjectFolder::WriteRaw(path, " I \r\n\r\nplain\nlast\r");
  ProjectLineReader in(path);
  std::string_view line;
  for (const char* expected : {" I ", "", "plain", "last"}) {
    ASSERT_TRUE(in.Next(line));
    EXPECT_EQ(line, expected);
  }
  EXPECT_FALSE(in.Next(line));
  EXPECT_EQ(in.LineNumber(), 4);
  EXPECT_EQ(in.RemainingBytes(), 0);
}

TEST(ProjectLineReader, LinesAndSkipsCrossBufferBoundaries) {
  ProjectFolder folder;
  const std::string path = folder.Project() + ".txt";
  std::string text;
  const int count = 400000;  // several buffers' worth
  for (int i = 1; i <= count; ++i) text += std::to_string(i) + "\r\n";
  text += std::string(3 << 20, 'x') + "\r\nend\r\n";  // one line longer than the buffer
  ProjectFolder::WriteRaw(path, text);

  ProjectLineReader in(path);
  in.Skip(123456, "values");
  EXPECT_EQ(in.Count32("a value"), 123457);
  for (int i = 123458; i <= count; ++i) {
    ASSERT_EQ(in.Count32("a value"), i) << "line " << in.LineNumber();
  }
  EXPECT_EQ(in.Line("the long line").size(), size_t{3} << 20);
  EXPECT_EQ(in.Line("end"), "end");
  EXPECT_EQ(in.LineNumber(), count + 2);
}

TEST(ProjectLineReader, CountConversion) {
  struct Case {
    const char* text;
    int64_t value;  // when ok
    bool ok;
    FailureClass cls;
  };
  const Case cases[] = {
      {"12", 12, true, {}},
      {"  7  ", 7, true, {}},
      {"12.5", 12, true, {}},  // halves to even
      {"13.5", 14, true, {}},
      {"-2.5", -2, true, {}},
      {"32767", 32767, true, {}},
      {"-32768", -32768, true, {}},
      {"1e2", 100, true, {}},
      {"32768", 0, false, FailureClass::Overflow},
      {"32767.5", 0, false, FailureClass::Overflow},
      {"-32769", 0, false, FailureClass::Overflow},
      {"1e400", 0, false, FailureClass::Overflow},
      {"abc", 0, false, FailureClass::TypeMismatch},
      {"", 0, false, FailureClass::TypeMismatch},
      {"1,5", 0, false, FailureClass::TypeMismatch},
      {"12 3", 0, false, FailureClass::TypeMismatch},
  };
  ProjectFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = folder.Project() + ".cnt";
    ProjectFolder::Write(path, {"heading", c.text});
    ProjectLineReader in(path);
    in.Skip(1, "the heading");
    if (c.ok) {
      EXPECT_EQ(in.Count16("the count"), c.value);
    } else {
      try {
        in.Count16("the count");
        ADD_FAILURE() << "no failure";
      } catch (const Failure& f) {
        EXPECT_EQ(f.cls, c.cls);
        EXPECT_NE(f.message.find("the count"), std::string::npos) << f.message;
        EXPECT_NE(f.message.find(path + ", line 2)"), std::string::npos) << f.message;
      }
    }
  }
}

TEST(ProjectLineReader, ThirtyTwoBitCountsAndBooleans) {
  ProjectFolder folder;
  const std::string path = folder.Project() + ".cnt";
  ProjectFolder::Write(path, {"2000000000", "2147483648", "True", "false", "0", "-1", "maybe"});
  ProjectLineReader in(path);
  EXPECT_EQ(in.Count32("patterns"), 2000000000);
  EXPECT_THROW(in.Count32("patterns"), Failure);
  EXPECT_TRUE(in.Boolean("b"));
  EXPECT_FALSE(in.Boolean("b"));
  EXPECT_FALSE(in.Boolean("b"));
  EXPECT_TRUE(in.Boolean("b"));
  try {
    in.Boolean("the switch");
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::TypeMismatch);
  }
}

TEST(ProjectLineReader, ReadingPastTheEndIsEndOfFileWithTheLine) {
  ProjectFolder folder;
  const std::string path = folder.Project() + ".txt";
  ProjectFolder::Write(path, {"a", "b"});
  ProjectLineReader in(path);
  EXPECT_FALSE(in.SearchTo("c"));
  try {
    in.Real("the smoothing factor");
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::EndOfFile);
    EXPECT_EQ(f.message, "end of file: expected the smoothing factor, found the end of the file (" + path +
                             ", line 3)");
  }
  ProjectLineReader again(path);
  try {
    again.Skip(5, "data values");
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::EndOfFile);
    EXPECT_NE(f.message.find("expected data values (3 more lines), found the end"), std::string::npos) << f.message;
  }
}

TEST(ProjectLineReader, ACountBeyondTheRemainingBytesFailsBeforeReading) {
  ProjectFolder folder;
  const std::string path = folder.Project() + ".txt";
  ProjectFolder::Write(path, {"1", "2", "3"});  // 9 bytes: room for at most 5 one-digit lines
  ProjectLineReader in(path);
  EXPECT_NO_THROW(in.RequireNumberLines(5, "values"));
  EXPECT_NO_THROW(in.RequireNumberLines(0, "values"));
  try {
    in.RequireNumberLines(int64_t{2000000000} * 3, "training pattern values");
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::EndOfFile);
    EXPECT_NE(f.message.find("6000000000 lines of training pattern values, but only 9 bytes remain"),
              std::string::npos)
        << f.message;
  }
  EXPECT_THROW(in.RequireNumberLines(6, "values"), Failure);
}

TEST(ProjectLineReader, AMissingFileIsFileNotFound) {
  ProjectFolder folder;
  try {
    ProjectLineReader in(folder.Project() + ".dat");
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::FileNotFound);
    EXPECT_NE(f.message.find(".dat"), std::string::npos);
  }
}

}  // namespace
}  // namespace quenby
