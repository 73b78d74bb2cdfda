#include "quenby_command.h"

#include <algorithm>
#include <new>

#include "apply_command.h"
#include "check_command.h"
#include "command_line.h"
#include "common/failure.h"
#include "compile_command.h"
#include "info_command.h"
#include "titles_command.h"

namespace tools {

namespace {

const char* const kUsage =
    "usage: quenby COMMAND [OPTIONS] PROJECT ...\n"
    "\n"
    "A project is a path without suffix: PROJECT.dat, PROJECT.flg, ... are the\n"
    "training program's files, PROJECT.DLLFile the engine's compiled network.\n"
    "\n"
    "commands:\n"
    "  compile PROJECT   compile the project files into PROJECT.DLLFile\n"
    "  titles PROJECT    list the input columns `apply` expects, in order\n"
    "  info PROJECT      describe the network: variables, inputs, clustering,\n"
    "                    hidden layer, outputs, general regression calibration\n"
    "  apply [--method \"Back Prop\"|GRNN] PROJECT INPUT.csv [OUTPUT.csv]\n"
    "                    apply the network to a table of cases\n"
    "  check [--inputs INPUTS] [FOLDER]\n"
    "                    check a deployment folder before a run\n"
    "\n"
    "`quenby COMMAND --help` tells more about one command.\n";

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

}  // namespace

int RunQuenby(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  if (args.empty()) {
    err << "quenby: expected a command: compile, titles, info, apply or check (see --help)\n";
    return 2;
  }
  const std::string& command = args[0];
  if (IsHelp(command)) {
    out << kUsage;
    return 0;
  }
  const char* usage = command == "compile" ? kCompileUsage
                      : command == "titles" ? kTitlesUsage
                      : command == "info"   ? kInfoUsage
                      : command == "apply"  ? kApplyUsage
                      : command == "check"  ? kCheckUsage
                                            : nullptr;
  if (!usage) {
    err << "quenby: unknown command \"" << command << "\": expected compile, titles, info, apply or check (see --help)\n";
    return 2;
  }
  if (std::any_of(args.begin() + 1, args.end(), IsHelp)) {
    out << usage;
    return 0;
  }
  try {
    if (command == "apply") return RunApply(std::vector<std::string>(args.begin() + 1, args.end()), out, err, errIsTerminal);
    if (command == "check") return RunCheck(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (args.size() != 2 || args[1].empty() || args[1][0] == '-')
      throw UsageError{command + " expects one argument, the project path"};
    if (command == "compile") return RunCompile(args[1], out);
    if (command == "titles") return RunTitles(args[1], out);
    return RunInfo(args[1], out);
  } catch (const UsageError& e) {
    err << "quenby " << command << ": " << e.message << " (see quenby " << command << " --help)\n";
    return 2;
  } catch (const common::Failure& f) {
    err << "quenby " << command << ": " << f.message << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    err << "quenby " << command << ": out of memory\n";
    return 1;
  }
}

}  // namespace tools
