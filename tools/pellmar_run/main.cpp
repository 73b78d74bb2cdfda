// pellmar-run: a small host for one calculation.
#include <iostream>
#include <string>
#include <vector>

#include "common/tool_arguments.h"
#include "common/version.h"
#include "pellmar_run_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = common::ToolArguments(argc, argv);
  if (common::AnswerVersion(args, "pellmar-run")) return 0;
  int code = tools::RunPellmar(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
