// The whole calculation as the host makes it: the three deliverables side by
// side in a working folder with "Control.dat" and four compiled networks; a
// host that loads the adapter and calls interface_function. The 400 results
// must equal what the engine's C API gives for the same tables, to the 15
// significant digits that "outfile.dat" carries.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "case_table.h"
#include "common/number_text.h"
#include "control_file.h"
#include "driver_state.h"
#include "first_stage.h"
#include "quenby.h"
#include "series_tables.h"
#include "test_folder.h"

namespace {

using testing_support::CurrentFolder;
using testing_support::TempFolder;
using testing_support::WriteFile;

// A compiled back-propagation network without clustering and without a
// general regression part: inputs direct inputs, outputs outputs, 3 hidden
// neurons, weights from a fixed pseudo-random sequence.
std::string CompiledNetwork(int inputs, int outputs, unsigned seed) {
  const int hidden = 3;
  const int variables = inputs + outputs;
  std::string f = "*** General Project Info ***\r\n";
  common::AppendIntegerItem(f, variables);
  common::AppendIntegerItem(f, inputs);
  common::AppendIntegerItem(f, outputs);
  f += "\r\n";
  for (int v = 1; v <= variables; ++v) f += "Var" + std::to_string(v) + "\r\n";
  auto line = [&f](int64_t v) {
    common::AppendIntegerItem(f, v);
    f += "\r\n";
  };
  for (int v = 1; v <= inputs; ++v) line(v);
  for (int v = 1; v <= outputs; ++v) line(inputs + v);
  f += "*** Clustering ***\r\n 0  0 None\r\n*** Partitioning ***\r\n";
  common::AppendIntegerItem(f, inputs);
  common::AppendIntegerItem(f, 0);
  f += "\r\n";
  for (int v = 1; v <= inputs; ++v) line(v);
  f += "*** Min and Max ***\r\n";
  for (int g = 1; g <= variables + 2; ++g) {
    bool output = g > inputs && g <= variables;
    common::AppendNumberItem(f, output ? -5.0 - g * 0.01 : -100.0);
    common::AppendNumberItem(f, output ? 7.0 + g * 0.03 : 1200.0);
    f += "\r\n";
  }
  f += "*** BackProp ***\r\nBackProp Info\r\nFalse";
  common::AppendIntegerItem(f, 1);
  common::AppendIntegerItem(f, hidden);
  f += "\r\n";
  unsigned state = seed;
  auto weight = [&state]() {
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 8) % 20001) / 10000.0 - 1.0;
  };
  for (int i = 1; i <= (inputs + 1) * hidden; ++i) {
    common::AppendNumberItem(f, weight());
    f += "\r\n";
  }
  for (int i = 1; i <= (hidden + 1) * outputs; ++i) {
    common::AppendNumberItem(f, weight() * 2);
    f += "\r\n";
  }
  f += "*** GRNN ***\r\nNo GRNN\r\n";
  return f;
}

using InterfaceFunction = void (*)(int32_t, int32_t*, double*, double*);
using ApplyNNetFn = int32_t (*)(const char*, const char*, const QuenbyTable*, QuenbyTable*);
using FreeTableFn = void (*)(QuenbyTable*);
using LastErrorFn = const char* (*)();

struct Engine {
  ApplyNNetFn apply;
  FreeTableFn free;
  LastErrorFn lastError;
};

// One engine call on a driver table; returns the result column.
std::vector<double> Apply(const Engine& engine, const std::string& project, const torvane::Table& table, int column) {
  QuenbyTable in{const_cast<double*>(table.Data()), table.RowLower(), table.RowUpper(), table.ColLower(),
                 table.ColUpper()};
  QuenbyTable out{};
  int32_t status = engine.apply("Back Prop", project.c_str(), &in, &out);
  EXPECT_EQ(status, 0) << engine.lastError();
  std::vector<double> values;
  if (status != 0) return values;
  const int32_t width = out.col_upper;
  for (int32_t r = 1; r <= out.row_upper; ++r) values.push_back(out.data[(r - 1) * width + (column - 1)]);
  engine.free(&out);
  return values;
}

double To15Digits(double v) {
  double back = 0;
  EXPECT_TRUE(common::ParseNumber(common::GeneralNumber(v), back));
  return back;
}

TEST(EndToEnd, HostCallGivesTheEngineResultsOfTheCascade) {
  TempFolder folder;
  for (const char* file : {TORVANE_PROGRAM, QUENBY_LIBRARY, PELLMAR_LIBRARY})
    testing_support::CopyFile(file, folder.File(std::filesystem::path(file).filename().string()));
  const std::string a = folder.File("netA"), b = folder.File("netB"), c = folder.File("netC"),
                    first = folder.File("netFirst");
  WriteFile(a + ".DLLFile", CompiledNetwork(55, 2, 1));
  WriteFile(b + ".DLLFile", CompiledNetwork(53, 1, 2));
  WriteFile(c + ".DLLFile", CompiledNetwork(47, 1, 3));
  WriteFile(first + ".DLLFile", CompiledNetwork(40, 1, 4));
  WriteFile(folder.File("Control.dat"), "Network A\r\n" + a + "\r\nNetwork B\r\n" + b + "\r\nNetwork C\r\n" + c +
                                            "\r\nFirst stage\r\n" + first + "\r\nCases\r\n1\r\n");

  void* adapter = dlopen(folder.File("libPellmar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(adapter, nullptr) << dlerror();
  auto call = reinterpret_cast<InterfaceFunction>(dlsym(adapter, "interface_function"));
  ASSERT_NE(call, nullptr);

  double in[511];
  in[0] = 1.0;
  for (int k = 1; k <= 510; ++k) in[k] = std::fmod(k * 37.123456789, 1000.0) - 20;
  in[307] = 30.5;
  double out[400];
  int32_t status = -5;
  {
    CurrentFolder cwd(folder.Path());
    call(1, &status, in, out);
  }
  ASSERT_EQ(status, 0);

  // The same cascade through the engine's C API, on the tables the driver
  // builds from the "inputvars.dat" the adapter wrote.
  void* quenby = dlopen(folder.File("libQuenby.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(quenby, nullptr) << dlerror();
  Engine engine{reinterpret_cast<ApplyNNetFn>(dlsym(quenby, "ApplyNNet")),
                reinterpret_cast<FreeTableFn>(dlsym(quenby, "QuenbyFreeTable")),
                reinterpret_cast<LastErrorFn>(dlsym(quenby, "QuenbyLastError"))};
  torvane::g_dataFolder = folder.Path();
  torvane::ReadControlFile();
  torvane::StepCount = 100;
  torvane::AllocateCaseTable();
  torvane::LoadCaseTable();
  EXPECT_EQ(torvane::CaseTable(1, 5), std::round(in[5] * 10000) / 10000);
  torvane::BuildFirstStageTable();
  std::vector<double> f = Apply(engine, first, torvane::FirstStageTable, 1);
  ASSERT_EQ(f.size(), 1u);
  torvane::FirstStageResult.Redim(1, 1, 1, 1, "FirstStageResult");
  torvane::FirstStageResult(1, 1) = f[0];
  torvane::BuildSeriesTables();
  std::vector<double> expected;
  for (auto part : {Apply(engine, a, torvane::SeriesTable1, 1), Apply(engine, a, torvane::SeriesTable1, 2),
                    Apply(engine, c, torvane::SeriesTable3, 1), Apply(engine, b, torvane::SeriesTable2, 1)})
    expected.insert(expected.end(), part.begin(), part.end());
  ASSERT_EQ(expected.size(), 400u);
  int distinct = 0;
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(out[i], To15Digits(expected[i])) << "element " << i;
    if (i > 0 && out[i] != out[i - 1]) ++distinct;
  }
  EXPECT_GT(distinct, 100);  // the networks' answers vary over the steps

  // With the flag clear the same values come back without the driver: it is
  // not even there any more.
  std::filesystem::remove(folder.File("Torvane"));
  double again[400];
  for (double& v : again) v = -7;
  in[0] = 0;
  {
    CurrentFolder cwd(folder.Path());
    call(1, &status, in, again);
  }
  ASSERT_EQ(status, 0);
  for (int i = 0; i < 400; ++i) ASSERT_EQ(again[i], out[i]) << i;
}

TEST(EndToEnd, ValueTooWideForInputVarsFailsTheCalculation) {
  TempFolder folder;
  for (const char* file : {TORVANE_PROGRAM, QUENBY_LIBRARY, PELLMAR_LIBRARY})
    testing_support::CopyFile(file, folder.File(std::filesystem::path(file).filename().string()));
  WriteFile(folder.File("Control.dat"), "\r\na\r\n\r\nb\r\n\r\nc\r\n\r\nd\r\n\r\n1\r\n");
  WriteFile(folder.File("outfile.dat"), std::string(400 * 4, ' ').replace(0, 0, " 1 \r\n"));
  void* adapter = dlopen(folder.File("libPellmar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(adapter, nullptr) << dlerror();
  auto call = reinterpret_cast<InterfaceFunction>(dlsym(adapter, "interface_function"));
  double in[511] = {};
  in[0] = 1;
  in[12] = 1e10;
  double out[400];
  for (double& v : out) v = -7;
  int32_t status = -5;
  testing::internal::CaptureStderr();
  {
    CurrentFolder cwd(folder.Path());
    call(1, &status, in, out);
  }
  std::string diagnostics = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out[0], -7);
  EXPECT_NE(testing_support::ReadFile(folder.File("inputvars.dat")).find("***************\r\n"), std::string::npos);
}

}  // namespace
