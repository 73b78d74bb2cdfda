// A host for the reliability tests: loads the adapter from its current
// folder as the host application does and makes a run of calculations.
//   reliability_host <seed> <calls> <report> [clear]
// Call i takes the host inputs of seed + i (the run flag clear with
// "clear"); the report gets one line per call: the status word and the 400
// output elements in hexadecimal floating point, so nothing is rounded.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "reliability_support.h"

using InterfaceFunction = void (*)(int32_t, int32_t*, double*, double*);

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: reliability_host <seed> <calls> <report> [clear]\n", stderr);
    return 2;
  }
  const unsigned seed = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
  const int calls = std::atoi(argv[2]);
  const bool clear = argc > 4 && std::string(argv[4]) == "clear";
  void* adapter = dlopen("./libPellmar.so", RTLD_NOW | RTLD_LOCAL);
  if (!adapter) {
    std::fprintf(stderr, "reliability_host: %s\n", dlerror());
    return 2;
  }
  auto call = reinterpret_cast<InterfaceFunction>(dlsym(adapter, "interface_function"));
  if (!call) return 2;
  std::FILE* report = std::fopen(argv[3], "wb");
  if (!report) return 2;
  for (int i = 0; i < calls; ++i) {
    std::vector<double> in = reliability::HostInputs(seed + static_cast<unsigned>(i));
    if (clear) in[0] = 0;
    std::vector<double> out(400, -7777.0);
    int32_t status = -5;
    call(1, &status, in.data(), out.data());
    std::fprintf(report, "%d", static_cast<int>(status));
    for (double v : out) std::fprintf(report, " %a", v);
    std::fputc('\n', report);
  }
  return std::fclose(report) == 0 ? 0 : 2;
}
