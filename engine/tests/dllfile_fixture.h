#pragma once
// Compiled network files for tests: the hand-written fixtures in
// data/dllfiles, a fresh folder per test to copy or write them into, and a
// plain scalar reference of the back-propagation pass that faster versions
// are held against bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define QUENBY_DLLFILE_PID _getpid
#else
#include <unistd.h>
#define QUENBY_DLLFILE_PID getpid
#endif

#include "exponential.h"
#include "loaded_network.h"

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
  Folder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "dllfile";
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = std::filesystem::temp_directory_path() /
           ("quenby-a-" + std::to_string(QUENBY_DLLFILE_PID()) + "-" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ResetLoadedNetwork();
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetLoadedNetwork();
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Project path (no suffix) of project name in this folder.
  std::string Project(const std::string& name) const { return (dir_ / name).string(); }
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
  std::filesystem::path dir_;
};

// Reference back-propagation pass over plain vectors, written straight from
// the rules: clamped range scaling, bias units, slabs taking neurons in
// turn, sums one term at a time from 0, activations by name.
struct RefNetwork {
  std::vector<std::vector<double>> inputWeights;   // [l][n], l = 0 bias, n = 0..H-1
  std::vector<std::vector<double>> outputWeights;  // [m][k], m = 0..H+G-1
  std::vector<std::string> slabs;                  // activation of slab 1..G at [0..G-1]
  std::vector<double> min, max;                    // range of input j at [j]
  bool multiSlab = false;
};

inline double RefScale(double x, double lo, double hi) {
  if (lo == hi || x >= hi) return 1.0;
  if (x <= lo) return -1.0;
  return 2.0 * (x - lo) / (hi - lo) - 1.0;
}

inline double RefActivate(const std::string& name, double x) {
  if (name == "Logistic") return x < -15 ? 0.0 : x > 15 ? 1.0 : 1.0 / (quenby::Exp(-x) + 1.0);
  if (name == "Gaussian") return (x < -15 || x > 15) ? 0.0 : quenby::Exp(-(x * x));
  if (name == "tan Hyperbolic")
    return x < -15 ? -1.0 : x > 15 ? 1.0 : (quenby::Exp(x) - quenby::Exp(-x)) / (quenby::Exp(-x) + quenby::Exp(x));
  if (name == "Gau. Complement") return (x < -15 || x > 15) ? 1.0 : 1.0 - quenby::Exp(-(x * x));
  return 0.0;
}

inline std::vector<double> RefForward(const RefNetwork& net, const std::vector<double>& raw) {
  const size_t nIn = raw.size();
  const size_t hiddenCount = net.inputWeights.empty() ? 0 : net.inputWeights[0].size();
  const size_t outputs = net.outputWeights.empty() ? 0 : net.outputWeights[0].size();
  const size_t g = net.multiSlab ? net.slabs.size() : 1;
  std::vector<double> x(nIn + 1, 1.0);
  for (size_t j = 0; j < nIn; ++j) x[j + 1] = RefScale(raw[j], net.min[j], net.max[j]);
  std::vector<double> hidden(g, 1.0);
  for (size_t n = 0; n < hiddenCount; ++n) {
    double sum = 0.0;
    for (size_t l = 0; l <= nIn; ++l) sum += x[l] * net.inputWeights[l][n];
    const std::string& act = net.multiSlab ? net.slabs[n % g] : std::string("Logistic");
    hidden.push_back(RefActivate(act, sum));
  }
  std::vector<double> out;
  const std::string& outAct = net.multiSlab ? net.slabs[0] : std::string("Logistic");
  for (size_t k = 0; k < outputs; ++k) {
    double sum = 0.0;
    for (size_t m = 0; m < hidden.size(); ++m) sum += net.outputWeights[m][k] * hidden[m];
    out.push_back(RefActivate(outAct, sum));
  }
  return out;
}

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
