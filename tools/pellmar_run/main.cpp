// pellmar-run: a small host for one calculation.
#include <iostream>
#include <string>
#include <vector>

#include "common/tool_arguments.h"
#include "pellmar_run_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = common::ToolArguments(argc, argv);
  int code = tools::RunPellmar(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
