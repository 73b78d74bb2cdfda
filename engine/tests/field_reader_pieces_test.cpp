// A file is read in pieces of whole lines; whatever the piece size, every
// read must give what the same reads give on the whole text held in memory:
// the same values, line numbers, bounds and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/failure.h"
#include "dllfile_fixture.h"
#include "field_reader.h"

namespace quenby {
namespace {

using common::Failure;

// Random text from the pieces a compiled file (and a damaged one) is made of:
// numbers in several forms, words, quoted texts, blanks, commas and the three
// line ends, now and then a line longer than any small piece.
std::string RandomText(std::mt19937& rng) {
  static const char* const kParts[] = {
      "0.7778174593052", "-12.5", "1.23456789012345E+15", "4.35E-06", "7", "32768", "-3", "True", "False",
      "Logistic",        "\"quoted, text\"", "abc",   " ",  "  ",   "\t", ",", ", ", "\r\n", "\n", "\r", "\r\n\r\n",
      "1e400",           ".",  "99999999999999999999"};
  std::uniform_int_distribution<size_t> part(0, std::size(kParts) - 1);
  std::uniform_int_distribution<int> parts(0, 120);
  std::string text;
  for (int i = parts(rng); i > 0; --i) {
    if (rng() % 40 == 0) text.append(300 + rng() % 200, '5');  // one long number
    text += kParts[part(rng)];
  }
  return text;
}

// Applies a random script of reads and records what each gave, until the
// first failure, which is recorded as well.
std::vector<std::string> Script(FieldReader& in, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> log;
  try {
    for (int step = 0; step < 80; ++step) {
      std::string entry;
      switch (rng() % 8) {
        case 0: entry = "line " + std::string(in.ReadLine("a line")); break;
        case 1: entry = "text " + in.ReadText("a text"); break;
        case 2: entry = "int " + std::to_string(in.ReadInt16("an integer")); break;
        case 3: entry = "bool " + std::to_string(in.ReadBoolean("a Boolean")); break;
        case 4: in.RequireRoom(rng() % 400, "values"); entry = "room"; break;
        case 5: entry = in.AtEnd() ? "end" : "more"; break;
        default: {
          const double v = in.ReadDouble("a number");
          entry = "double " + std::to_string(v) + " " + std::to_string(std::signbit(v));
        }
      }
      log.push_back(entry + " @" + std::to_string(in.Line()));
    }
  } catch (const Failure& f) {
    log.push_back("failure " + std::to_string(static_cast<int>(f.cls)) + " " + f.message);
  }
  return log;
}

TEST(FieldReaderPieces, EveryPieceSizeReadsAsTheWholeText) {
  dllfile::Folder folder;
  const std::string path = folder.Project("pieces") + ".DLLFile";
  std::mt19937 rng(515);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(rng);
    dllfile::WriteBytes(path, text);
    const unsigned seed = static_cast<unsigned>(rng());
    FieldReader whole(text, path);
    const std::vector<std::string> want = Script(whole, seed);
    for (size_t piece : {1, 2, 3, 7, 16, 64, 4096}) {
      FieldReader pieces(path, piece);
      EXPECT_EQ(Script(pieces, seed), want) << "piece " << piece << ", text \"" << text << "\"";
    }
    if (HasFailure()) return;
  }
}

// What single reads give: each value with the line after it, and the
// failure that ended them, if any.
struct SingleReads {
  std::vector<double> values;
  std::vector<long> lines;
  std::string failure;
};

SingleReads ReadSingly(FieldReader& in, size_t most) {
  SingleReads r;
  try {
    while (r.values.size() < most) {
      r.values.push_back(in.ReadDouble("a number"));
      r.lines.push_back(in.Line());
    }
  } catch (const Failure& f) {
    r.failure = f.message;
  }
  return r;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// Lines of numbers in every shape around the one the writer uses: one line
// read whole at once, or a run of lines, must agree with the field-by-field
// reading of a reader whose pieces are too small for that.
TEST(FieldReaderPieces, NumberLinesReadAsFieldByField) {
  dllfile::Folder folder;
  const std::string path = folder.Project("lines") + ".DLLFile";
  static const char* const kBefore[] = {"", " ", "  ", "\t", " \t"};
  static const char* const kNumbers[] = {"0.7778174593052", "-0.0856935333302128", "796.485078328525", "+5", "-0",
                                         "12.", ".5", "1234567890123456789", "9007199254740993", "1.5E-06",
                                         "0.000000000000000001", "1.2.3", "-", "7a"};
  static const char* const kAfter[] = {"\r\n", "\n", "\r", " \r\n", "\t\r\n", "\r\r\n", ",\r\n",
                                       " , \r\n", "\n\r\n", " 4\r\n", "\r5\r\n", ""};
  constexpr size_t kMost = 40;
  std::mt19937 rng(99);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    for (int line = 0; line < 12; ++line) {
      text += kBefore[rng() % std::size(kBefore)];
      text += kNumbers[rng() % std::size(kNumbers)];
      text += kAfter[rng() % std::size(kAfter)];
    }
    text += std::string(70, '8');  // keeps every line above far from the end
    dllfile::WriteBytes(path, text);
    SCOPED_TRACE("text \"" + text + "\"");

    FieldReader fieldByField(path, 1);
    const SingleReads want = ReadSingly(fieldByField, kMost);
    FieldReader whole(text, path);
    const SingleReads got = ReadSingly(whole, kMost);
    EXPECT_TRUE(SameBits(got.values, want.values));
    EXPECT_EQ(got.lines, want.lines);
    EXPECT_EQ(got.failure, want.failure);

    // In runs of 1 to 5 numbers.
    FieldReader runs(text, path);
    size_t done = 0;
    for (size_t run = 1 + round % 5; done < want.values.size() || !want.failure.empty(); run = run % 5 + 1) {
      run = std::min(run, kMost - done);
      if (run == 0) break;
      std::vector<double> values(run);
      try {
        runs.ReadDoubles(values.data(), static_cast<int64_t>(run), "a number");
      } catch (const Failure& f) {
        EXPECT_EQ(f.message, want.failure);
        EXPECT_LE(want.values.size() - done, run - 1);
        values.resize(want.values.size() - done);  // those read before the failing one
        EXPECT_TRUE(SameBits(values, {want.values.begin() + static_cast<long>(done), want.values.end()}));
        break;
      }
      ASSERT_LE(done + run, want.values.size());
      EXPECT_TRUE(SameBits(values, {want.values.begin() + static_cast<long>(done),
                                    want.values.begin() + static_cast<long>(done + run)}));
      done += run;
      EXPECT_EQ(runs.Line(), want.lines[done - 1]);
    }
    if (HasFailure()) return;
  }
}

TEST(FieldReaderPieces, AMissingFileIsNotFound) {
  dllfile::Folder folder;
  try {
    FieldReader in(folder.Project("absent") + ".DLLFile");
    ADD_FAILURE() << "opened a missing file";
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, common::FailureClass::FileNotFound);
    EXPECT_NE(f.message.find("absent.DLLFile"), std::string::npos) << f.message;
  }
}

}  // namespace
}  // namespace quenby
