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

#include "common/tool_arguments.h"
#include "common/version.h"
#include "pellmar_run_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = common::ToolArguments(argc, argv);
  if (common::AnswerVersion(args, "pellmar-run")) return 0;
  int code = tools::RunPellmar(args, std::cout, std::cerr, PELLMAR_RUN_ISATTY(stderr) != 0);
  std::cout.flush();
  return code;
}
