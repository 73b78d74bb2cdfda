#pragma once
// Small training-program project sets written by the tests themselves into
// a temporary folder, and helpers to read back what a compilation wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "grnn_file_reader.h"
#include "loaded_network.h"
#include "testing/temp_folder.h"

namespace quenby::fixture {

using Lines = std::vector<std::string>;

// A fresh folder per test, removed at the end; Net() starts fresh too.
// While it lives, "Run the GRNN first" is collected in Notices() instead of
// being shown, so no test waits for a person.
class ProjectFolder {
 public:
  ProjectFolder() {
    Notices().clear();
    earlierNotice_ = SetGrnnNotice(&CollectNotice);
    ResetLoadedNetwork();
  }
  ~ProjectFolder() {
    ResetLoadedNetwork();
    SetGrnnNotice(earlierNotice_);
  }

  static std::vector<std::string>& Notices() {
    static std::vector<std::string> notices;
    return notices;
  }
  ProjectFolder(const ProjectFolder&) = delete;
  ProjectFolder& operator=(const ProjectFolder&) = delete;

  // Project path (no suffix) of project name in this folder.
  std::string Project(const std::string& name = "net") const { return folder_.File(name); }

  // Writes bytes as they are.
  static void WriteRaw(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  // Writes lines, each ended by CR LF.
  static void Write(const std::string& path, const Lines& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    WriteRaw(path, text);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Splits a CR LF text into lines; a final CR LF ends the last line. A line
  // ending in a bare LF is kept with a marker so a test sees it.
  static Lines SplitCrLf(const std::string& text) {
    Lines out;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t nl = text.find("\r\n", pos);
      if (nl == std::string::npos) {
        out.push_back(text.substr(pos) + "<no CR LF>");
        break;
      }
      out.push_back(text.substr(pos, nl - pos));
      pos = nl + 2;
    }
    return out;
  }

 private:
  static void CollectNotice(const char* text) { Notices().push_back(text); }

  testing_support::TempFolder folder_;
  GrnnNotice earlierNotice_ = nullptr;
};

// ".dat": heading, record count, variable count, a line, titles, a line,
// the records value by value, a line, each variable's minimum and maximum.
inline Lines DataFile(const Lines& titles, const std::vector<std::vector<double>>& records,
                      const std::vector<std::pair<double, double>>& ranges) {
  Lines l{"Training data", std::to_string(records.size()), std::to_string(titles.size()), "Titles"};
  l.insert(l.end(), titles.begin(), titles.end());
  l.push_back("Data");
  for (const auto& r : records)
    for (double v : r) l.push_back(common::GeneralNumber(v));
  l.push_back("Ranges");
  for (const auto& [lo, hi] : ranges) {
    l.push_back(common::GeneralNumber(lo));
    l.push_back(common::GeneralNumber(hi));
  }
  return l;
}

// ".flg": a heading, then one flag line per variable as given.
inline Lines FlagFile(const Lines& flags) {
  Lines l{"Flags"};
  l.insert(l.end(), flags.begin(), flags.end());
  return l;
}

struct Design {
  std::vector<int> direct;   // columns of the direct inputs
  int clusterCount = 0;
  std::vector<int> derived;  // derived input codes
  int conv = 0;              // clustering switches
  int fuzzy = 0;
  bool interfaceMarker = true;
};

// ".ndp" in the training program's layout.
inline Lines DesignFile(const Design& d) {
  Lines l{"Design", "v1", "-", "-", std::to_string(d.direct.size()), std::to_string(d.clusterCount), "Inputs"};
  for (int c : d.direct) l.push_back(std::to_string(c));
  l.push_back("Derived");
  l.push_back(std::to_string(d.derived.size()));
  for (int c : d.derived) l.push_back(std::to_string(c));
  l.push_back("Other settings");
  if (d.interfaceMarker) l.push_back("*** Interface Information ***");
  l.insert(l.end(), {"i1", "i2", "i3", "i4", std::to_string(d.conv), std::to_string(d.fuzzy), "end"});
  return l;
}

struct Scenario {
  std::string name;
  std::vector<int> flags;                    // InputVarCount + OutputCount
  std::vector<std::vector<double>> centres;  // cluster x coordinate
};

// ".clu": scenarios with their flags, conventional and fuzzy results, and
// the two selections (an empty conventional selection writes the fuzzy
// results marker in its place; fuzzySelected "" leaves that marker last).
inline Lines ClusteringFile(const std::vector<Scenario>& conv, const std::vector<Scenario>& fuzzy,
                            const std::string& convSelected, const std::string& fuzzySelected) {
  Lines l{"Clustering", "**** Scenarios ***"};
  auto flags = [&](const Scenario& s) {
    l.push_back(s.name);
    for (int f : s.flags) l.push_back(std::to_string(f));
  };
  for (const auto& s : conv) flags(s);
  for (const auto& s : fuzzy) flags(s);
  auto results = [&](const Scenario& s) {
    l.push_back(s.name);
    l.push_back(std::to_string(s.centres.size()));
    l.push_back(std::to_string(s.centres.empty() ? 0 : s.centres[0].size()));
    for (const auto& row : s.centres)
      for (double v : row) l.push_back(common::GeneralNumber(v));
  };
  l.push_back("**** Conv Scenarios Result ***");
  for (const auto& s : conv) results(s);
  l.push_back("**** Fuzzy Scenarios Result ***");
  for (const auto& s : fuzzy) results(s);
  l.push_back("**** Selected Conv Scenario ***");
  l.push_back(convSelected.empty() ? "**** Fuzzy Scenarios Result ***" : convSelected);
  l.push_back("**** Selected Fuzzy Scenario ***");
  if (!fuzzySelected.empty()) l.push_back(fuzzySelected);
  return l;
}

// count distinct weights, so a value read into the wrong place shows.
inline std::vector<double> Weights(int count, double base) {
  std::vector<double> w;
  for (int i = 1; i <= count; ++i) w.push_back(base + i * 0.125);
  return w;
}

struct BackPropNet {
  int hidden = 2;
  std::vector<std::string> slabs;  // empty: an ordinary hidden layer
  int setHidden = -1;              // hidden count of the "Best" set; -1: hidden
  std::vector<double> best;        // the "Best" set's weights
  std::string bestMarker = "*** Best Weights ***";
};

// ".net": information section, an initial and a last set, then "Best".
inline Lines BackPropFile(const BackPropNet& b) {
  Lines l{"Network", "*** BKP Information ***", std::to_string(b.hidden), "u1", "u2", "u3", "u4",
          b.slabs.empty() ? "True" : "False", "u5"};
  if (!b.slabs.empty()) {
    l.push_back(std::to_string(b.slabs.size()));
    l.insert(l.end(), b.slabs.begin(), b.slabs.end());
  }
  l.push_back("*** Initial Weights ***");
  l.insert(l.end(), {"9", "99", "99"});
  l.push_back("*** Last Weights ***");
  l.insert(l.end(), {"9", "98", "98"});
  l.push_back(b.bestMarker);
  l.push_back(std::to_string(b.setHidden < 0 ? b.hidden : b.setHidden));
  for (double v : b.best) l.push_back(common::GeneralNumber(v));
  return l;
}

}  // namespace quenby::fixture
