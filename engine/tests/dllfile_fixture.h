#pragma once
// Compiled network files for tests: the hand-written fixtures in
// data/dllfiles, a fresh folder per test to copy or write them into, and
// back-propagation networks installed straight into LoadedNetwork.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "loaded_network.h"
#include "testing/temp_folder.h"

namespace quenby::dllfile {

// The text of fixture data/dllfiles/<name> (bytes as they are).
inline std::string FixtureText(const std::string& name) {
  std::ifstream in(std::string(QUENBY_TEST_DATA_DIR) + "/dllfiles/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << name;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Lines joined with CR LF, each line ended.
inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

inline void WriteBytes(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A fresh folder per test, removed at the end; Net() starts and ends fresh.
class Folder {
 public:
  Folder() { ResetLoadedNetwork(); }
  ~Folder() { ResetLoadedNetwork(); }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Project path (no suffix) of project name in this folder.
  std::string Project(const std::string& name) const { return folder_.File(name); }
  // Writes text as project name's ".DLLFile" file; returns the project path.
  std::string WithDllFile(const std::string& name, const std::string& text) const {
    WriteBytes(Project(name) + ".DLLFile", text);
    return Project(name);
  }
  // Copies fixture <fixture>.DLLFile as project name; returns the project path.
  std::string WithFixture(const std::string& name, const std::string& fixture) const {
    return WithDllFile(name, FixtureText(fixture + ".DLLFile"));
  }

 private:
  testing_support::TempFolder folder_;
};

// A back-propagation network as plain vectors, for Install.
struct RefNetwork {
  std::vector<std::vector<double>> inputWeights;   // [l][n], l = 0 bias, n = 0..H-1
  std::vector<std::vector<double>> outputWeights;  // [m][k], m = 0..H+G-1
  std::vector<std::string> slabs;                  // activation of slab 1..G at [0..G-1]
  std::vector<double> min, max;                    // range of input j at [j]
  bool multiSlab = false;
};

// Loads net into Net() and the cases into NetInputs, dimensions NetOutputs.
inline void Install(const RefNetwork& net, const std::vector<std::vector<double>>& cases) {
  LoadedNetwork& n = Net();
  const int nIn = static_cast<int>(net.min.size());
  const int hidden = static_cast<int>(net.inputWeights[0].size());
  const int outputs = static_cast<int>(net.outputWeights[0].size());
  const int slabs = static_cast<int>(net.slabs.size());
  n.DirectInputCount = static_cast<int16_t>(nIn);
  n.DerivedInputCount = 0;
  n.OutputCount = static_cast<int16_t>(outputs);
  n.HiddenCount = static_cast<int16_t>(hidden);
  n.MultiSlab = net.multiSlab ? kTrue : kFalse;
  n.SlabCount = static_cast<int16_t>(slabs);
  n.SlabActivations.Redim(slabs);
  for (int s = 1; s <= slabs; ++s) n.SlabActivations(s) = net.slabs[s - 1];
  n.NetInputColumns.Redim(nIn);
  n.VarMin.Redim(nIn);
  n.VarMax.Redim(nIn);
  for (int j = 1; j <= nIn; ++j) {
    n.NetInputColumns(j) = static_cast<int16_t>(j);
    n.VarMin(j) = net.min[j - 1];
    n.VarMax(j) = net.max[j - 1];
  }
  n.InputWeights.Redim(nIn + 1, hidden);
  for (int l = 1; l <= nIn + 1; ++l)
    for (int h = 1; h <= hidden; ++h) n.InputWeights(l, h) = net.inputWeights[l - 1][h - 1];
  n.OutputWeights.Redim(static_cast<int>(net.outputWeights.size()), outputs);
  for (size_t m = 1; m <= net.outputWeights.size(); ++m)
    for (int k = 1; k <= outputs; ++k) n.OutputWeights(m, k) = net.outputWeights[m - 1][k - 1];
  n.NetInputs.Redim(static_cast<int64_t>(cases.size()), nIn);
  for (size_t i = 1; i <= cases.size(); ++i)
    for (int j = 1; j <= nIn; ++j) n.NetInputs(i, j) = cases[i - 1][j - 1];
  n.NetOutputs.Redim(static_cast<int64_t>(cases.size()), outputs);
}

}  // namespace quenby::dllfile
