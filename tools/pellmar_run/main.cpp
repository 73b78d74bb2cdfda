// pellmar-run: a small host for one calculation, or many realizations.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define PELLMAR_RUN_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define PELLMAR_RUN_ISATTY(f) isatty(fileno(f))
#endif

#include "pellmar_run_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = tools::RunPellmar(args, std::cout, std::cerr, PELLMAR_RUN_ISATTY(stderr) != 0);
  std::cout.flush();
  return code;
}
