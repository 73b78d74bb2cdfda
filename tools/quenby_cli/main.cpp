// quenby: the engine's command-line front end.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define QUENBY_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define QUENBY_ISATTY(f) isatty(fileno(f))
#endif

#include "common/tool_arguments.h"
#include "common/version.h"
#include "quenby_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = common::ToolArguments(argc, argv);
  if (common::AnswerVersion(args, "quenby")) return 0;
  int code = tools::RunQuenby(args, std::cout, std::cerr, QUENBY_ISATTY(stderr) != 0);
  std::cout.flush();
  return code;
}
