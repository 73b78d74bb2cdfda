#include "compile_command.h"

#include "network_access.h"
#include "quenby.h"

namespace tools {

const char* const kCompileUsage =
    "usage: quenby compile PROJECT\n"
    "Compiles PROJECT.dat, .flg and the optional .ndp, .clu, .MinMax, .net and\n"
    ".grn into PROJECT.DLLFile, replacing an earlier one.\n";
int RunCompile(const std::string& project, std::ostream& out) {
  Check(CreatDllFile(project.c_str()), "cannot compile " + project);
  out << "compiled " << CompiledPath(project) << "\n";
  return 0;
}

}  // namespace tools
