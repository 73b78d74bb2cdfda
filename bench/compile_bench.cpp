// Compile throughput: a generated project whose ".dat" file holds 2,000,000
// data lines (200,000 records of 10 variables), compiled again and again.
// The figure to compare is MB of project files read per second (the "MB"
// rate), beside `wc -l` on the same ".dat" file (bench/compile_bench.sh
// prints both).
//
// Usage: compile_bench [folder] [benchmark flags]. The project is written
// to folder/bench.* and kept there when a folder is given.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/number_text.h"
#include "compilation.h"
#include "loaded_network.h"
#include "testing/temp_folder.h"

namespace {

constexpr int kRecords = 200000;
constexpr int kVariables = 10;

std::string g_project;
double g_projectBytes = 0;

void WriteLines(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void GenerateProject(const std::string& project) {
  std::string dat = "Generated data\r\n" + std::to_string(kRecords) + "\r\n" + std::to_string(kVariables) + "\r\nTitles\r\n";
  for (int v = 1; v <= kVariables; ++v) dat += "Variable " + std::to_string(v) + "\r\n";
  dat += "Data\r\n";
  std::ofstream out(project + ".dat", std::ios::binary | std::ios::trunc);
  out << dat;
  std::string chunk;
  uint32_t seed = 12345;
  for (int r = 0; r < kRecords; ++r) {
    for (int v = 0; v < kVariables; ++v) {
      seed = seed * 1664525u + 1013904223u;
      chunk += common::GeneralNumber((seed >> 8) / 1048.576 - 4000.0);
      chunk += "\r\n";
    }
    if (chunk.size() > (1 << 20)) {
      out << chunk;
      chunk.clear();
    }
  }
  chunk += "Ranges\r\n";
  for (int v = 0; v < kVariables; ++v) chunk += "-4000\r\n12000\r\n";
  out << chunk;
  out.close();

  std::string flg = "Flags\r\n";
  for (int v = 1; v <= kVariables; ++v) flg += v < kVariables ? " I \r\n" : " O \r\n";
  WriteLines(project + ".flg", flg);
  std::string ndp = "Design\r\nv1\r\n-\r\n-\r\n" + std::to_string(kVariables - 1) + "\r\n0\r\nInputs\r\n";
  for (int v = 1; v < kVariables; ++v) ndp += std::to_string(v) + "\r\n";
  ndp += "Derived\r\n0\r\n*** Interface Information ***\r\n1\r\n2\r\n3\r\n4\r\n0\r\n0\r\n";
  WriteLines(project + ".ndp", ndp);
}

void BM_CompileProject(benchmark::State& state) {
  for (auto _ : state) {
    quenby::Net().ProjectPath = g_project;
    quenby::CompileProject();
  }
  state.counters["MB"] =
      benchmark::Counter(g_projectBytes * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
  state.counters["data_lines"] = static_cast<double>(kRecords) * kVariables;
}
BENCHMARK(BM_CompileProject)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::filesystem::path folder;
  std::unique_ptr<testing_support::TempFolder> scratch;
  if (argc > 1) {
    folder = argv[1];
    std::filesystem::create_directories(folder);
  } else {
    scratch = std::make_unique<testing_support::TempFolder>("compile-bench");
    folder = scratch->Path();
  }
  g_project = (folder / "bench").string();
  GenerateProject(g_project);
  for (const char* suffix : {".dat", ".flg", ".ndp"}) {
    g_projectBytes += static_cast<double>(std::filesystem::file_size(g_project + suffix));
  }
  std::printf("project %s: %.1f MB of project files, %d data lines\n", g_project.c_str(), g_projectBytes / 1e6,
              kRecords * kVariables);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
