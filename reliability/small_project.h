#pragma once
// One small, valid training project set that exercises every reader: three
// input variables and one output, a design with two derived inputs from a
// conventional clustering of two clusters, a range file, a back-propagation
// network with two hidden neurons and a general regression network with
// three stored patterns. Shared by the byte sweeps and the fuzzers' seeds.
#include <string>
#include <utility>
#include <vector>

namespace reliability {

// (suffix, text) of every project file, CR LF line ends.
inline std::vector<std::pair<std::string, std::string>> SmallProjectFiles() {
  auto join = [](std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* l : lines) text += std::string(l) + "\r\n";
    return text;
  };
  return {
      {".dat", join({"Training data", "2", "4", "Titles", "Flow", "Heat", "Load", "Yield", "Data", "1", "2", "3",
                     "4", "5", "6", "7", "8", "Ranges", "0", "10", "-5", "5", "1", "3", "0", "20"})},
      {".flg", join({"Flags", " I ", " I ", " I ", " O "})},
      {".ndp", join({"Design", "v1", "-", "-", "3", "2", "Inputs", "1", "2", "3", "Derived", "2", "1", "3",
                     "Other settings", "*** Interface Information ***", "i1", "i2", "i3", "i4", "1", "0", "end"})},
      {".clu", join({"Clustering", "**** Scenarios ***", "S1", "1", "1", "0", "0",
                     "**** Conv Scenarios Result ***", "S1", "2", "2", "2.5", "-1", "7.5", "3",
                     "**** Fuzzy Scenarios Result ***", "**** Selected Conv Scenario ***", "S1",
                     "**** Selected Fuzzy Scenario ***"})},
      {".MinMax", join({"Ranges", "Flow,0,12", "Heat,-6,6", "Load,0.5,3.5", "Outputs", "\"Yield\", -1, 21"})},
      {".net", join({"Network", "*** BKP Information ***", "2", "u1", "u2", "u3", "u4", "True", "u5",
                     "*** Initial Weights ***", "9", "99", "*** Last Weights ***", "9", "98", "*** Best Weights ***",
                     "2", "0.5", "-0.25", "0.125", "0.75", "-0.5", "0.3", "0.2", "-0.1", "0.6", "-0.7", "0.05",
                     "0.15", "1.5", "-1.25", "0.4"})},
      {".grn", join({"GRNN", "Holdout", "*** Hold Out ***", "0.3", "*** Trainag set ***", "3", "5",
                     "1", "-2", "1.5", "1", "0.5", "4",
                     "6", "3", "2.5", "2", "0.25", "12",
                     "9", "0", "3", "1", "1", "17", "*** Statistic ***"})},
  };
}

// Input columns of the small project: the three direct inputs (the
// clustering variables are all direct inputs, so there are no extra ones).
inline constexpr int kSmallProjectInputs = 3;

}  // namespace reliability
