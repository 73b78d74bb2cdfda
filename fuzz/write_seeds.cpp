// Writes the seed corpora of the fuzz targets into <folder>/<target>/:
// the tests' compiled-file fixtures, the small project set and what it
// compiles to, and one well-formed file of each exchange and driver format.
//   write_seeds <folder> <engine test data folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/number_text.h"
#include "grnn_file_reader.h"
#include "quenby.h"
#include "small_project.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Silent(const char*) {}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: write_seeds <folder> <engine test data folder>\n", stderr);
    return 2;
  }
  const fs::path root = argv[1];
  const fs::path fixtures = fs::path(argv[2]) / "dllfiles";

  for (const auto& entry : fs::directory_iterator(fixtures))
    Write(root / "dllfile_loader_fuzz" / entry.path().filename(), Read(entry.path()));

  const fs::path scratch = root / ".scratch";
  fs::create_directories(scratch);
  const std::string project = (scratch / "net").string();
  for (const auto& [suffix, text] : reliability::SmallProjectFiles()) {
    Write(project + suffix, text);
    std::string name = suffix.substr(1);
    Write(root / ("compile_" + name + "_fuzz") / ("small" + suffix), text);
  }
  quenby::SetGrnnNotice(&Silent);
  if (CreatDllFile(project.c_str()) != QUENBY_OK) {
    std::fprintf(stderr, "write_seeds: the small project does not compile: %s\n", QuenbyLastError());
    return 1;
  }
  const std::string small = Read(project + ".DLLFile");
  Write(root / "dllfile_loader_fuzz" / "small_project.DLLFile", small);

  // Pairs of compiled files, split at a NUL byte: sections of both kinds,
  // numbers the bulk check leaves to the field reader, a file without a
  // section after one with it, and damaged sections.
  const std::string none = Read(fixtures / "no_network.DLLFile");
  const std::string head = none.substr(0, none.size() - std::string("No GRNN\r\n").size());
  const std::string genetic = head + "GRNN Info\r\nGenetic\r\n 2 \r\n 1.5 \r\n 2 \r\n 0.25 \r\n-0.5 \r\n 1 \r\n"
                                     " 0.75 \r\n 1.25 \r\n 0.5 \r\n-1 \r\n 0 \r\n";
  const std::string holdout = head + "GRNN Info\r\nHoldout\r\n 0.3  2 \r\n 1.5E-07 \r\n 2,\t0.25\r\n\r\n-0.5 \r\n 1 \r\n"
                                     " 0.75\n 1.25 \r\n";
  const std::string grnnSeeds[][2] = {{small, none},  {none, small},     {genetic, holdout}, {holdout, genetic},
                                      {genetic, none}, {genetic.substr(0, genetic.size() - 9), holdout}};
  int seed = 0;
  for (const auto& [a, b] : grnnSeeds) {
    Write(root / "grnn_deferral_fuzz" / ("pair" + std::to_string(++seed)), a + std::string(1, '\0') + b);
  }
  Write(root / "grnn_deferral_fuzz" / "small_project.DLLFile", small);
  fs::remove_all(scratch);

  std::string outfile;
  for (int i = 0; i < 400; ++i) common::AppendNumberLine(outfile, std::sin(i * 0.37) * std::pow(10.0, i % 40 - 20));
  Write(root / "outfile_reader_fuzz" / "outfile.dat", outfile);
  Write(root / "outfile_reader_fuzz" / "forms.dat",
        " 0.5\r\n-1.25E-07 \r\n.5D+3, 7\r\n\r\n  -3.\r\n1Q2/\r\n,\r\nINF\r\n");

  Write(root / "control_file_fuzz" / "Control.dat",
        "Network A\r\nnetA\r\nNetwork B\r\nnetB\r\nNetwork C\r\nnetC\r\nFirst stage\r\nnetFirst\r\nCases\r\n1\r\n");
  std::string inputvars(2, '\0');
  const int16_t one = 1;
  std::memcpy(inputvars.data(), &one, 2);
  char line[64];
  for (int k = 1; k <= 510; ++k) {
    std::snprintf(line, sizeof line, "%15.4f\r\n", std::fmod(k * 37.123456789, 1000.0) - 20);
    inputvars += line;
  }
  Write(root / "inputvars_fuzz" / "inputvars.dat", inputvars);

  const double numbers[] = {0.0,      -3.0,  0.5,      1e-5, 9.99999999999999e14, 1e15, 123456789012345.6,
                            -1.25e-7, 1e300, 4.9e-324, 0.1};
  for (double v : numbers) {
    std::string bytes(sizeof v, '\0');
    std::memcpy(bytes.data(), &v, sizeof v);
    Write(root / "number_form_fuzz" / ("n" + common::GeneralNumber(v)), bytes);
  }
  return 0;
}
