// A file is read in pieces of whole lines; whatever the piece size, every
// read must give what the same reads give on the whole text held in memory:
// the same values, line numbers, bounds and failures.
#include <gtest/gtest.h>

#include <cstdio>
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

// Lines of numbers in every shape around the one the writer uses: one line
// read whole at once must agree with the field-by-field reading of a reader
// whose pieces are too small for that.
TEST(FieldReaderPieces, NumberLinesReadAsFieldByField) {
  dllfile::Folder folder;
  const std::string path = folder.Project("lines") + ".DLLFile";
  static const char* const kBefore[] = {"", " ", "  ", "\t", " \t"};
  static const char* const kNumbers[] = {"0.7778174593052", "-0.0856935333302128", "796.485078328525", "+5", "-0",
                                         "12.", ".5", "1234567890123456789", "9007199254740993", "1.5E-06",
                                         "0.000000000000000001", "1.2.3", "-", "7a"};
  static const char* const kAfter[] = {"\r\n", "\n", "\r", " \r\n", "\t\r\n", "\r\r\n", ",\r\n",
                                       " , \r\n", "\n\r\n", " 4\r\n", "\r5\r\n", ""};
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
    FieldReader whole(text, path);
    FieldReader fieldByField(path, 1);
    auto readAll = [](FieldReader& in) {
      std::vector<std::string> log;
      try {
        for (int i = 0; i < 40; ++i) {
          const double v = in.ReadDouble("a number");
          char shown[64];
          std::snprintf(shown, sizeof shown, "%a @%ld", v, in.Line());
          log.push_back(shown);
        }
      } catch (const Failure& f) {
        log.push_back("failure " + f.message);
      }
      return log;
    };
    EXPECT_EQ(readAll(whole), readAll(fieldByField)) << "text \"" << text << "\"";
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
