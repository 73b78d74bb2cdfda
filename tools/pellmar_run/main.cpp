// pellmar-run: a small host for one calculation.
#include <iostream>
#include <string>
#include <vector>

#include "pellmar_run_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = tools::RunPellmar(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
