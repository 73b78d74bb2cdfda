#include "column_matching.h"

#include <gtest/gtest.h>

#include "common/failure.h"

namespace tools {
namespace {

using Titles = std::vector<std::string>;

TEST(MatchColumns, TakesTheHeaderAsItStandsOrMatchesByTitle) {
  struct Case {
    Titles expected, header;
    std::vector<size_t> index;
  } cases[] = {
      {{"a", "b"}, {"a", "b"}, {0, 1}},
      {{"a", "b"}, {"a", "b", "observed"}, {0, 1}},          // further columns ignored
      {{"a", "b"}, {"b", "x", "a"}, {2, 0}},                  // any order
      {{"a", "a"}, {"a", "a", "z"}, {0, 1}},                  // repeated titles in order
      {{}, {"anything"}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchColumns(c.expected, c.header, "in.csv"), c.index);
}

TEST(MatchColumns, RefusesMissingRepeatedAndAmbiguousColumns) {
  struct Case {
    Titles expected, header;
    const char* message;
  } cases[] = {
      {{"a", "b"}, {"a", "c"}, "subscript out of range: missing column \"b\" (input 2 of 2; `quenby titles` lists them) (in.csv, line 1)"},
      {{"a", "b"}, {"b", "a", "a"}, "invalid argument: column \"a\" appears more than once (in.csv, line 1)"},
      {{"a", "a"}, {"x", "a", "a"},
       "invalid argument: the network has several inputs titled \"a\": give the columns in the order `quenby titles` lists them (in.csv, "
       "line 1)"},
  };
  for (const auto& c : cases) {
    try {
      MatchColumns(c.expected, c.header, "in.csv");
      ADD_FAILURE() << c.message;
    } catch (const common::Failure& f) {
      EXPECT_EQ(f.message, c.message);
    }
  }
}

}  // namespace
}  // namespace tools
