#include "titles_command.h"

#include "network_access.h"
#include "quenby.h"
#include "quenby_network.h"

namespace tools {

const char* const kTitlesUsage =
    "usage: quenby titles PROJECT\n"
    "Writes PROJECT.MyTitles and prints the titles of the input columns that\n"
    "`quenby apply` and the driver must supply, one per line, in order.\n";
// PrintTitlesName writes PROJECT.MyTitles; the same titles are printed.
int RunTitles(const std::string& project, std::ostream& out) {
  Check(PrintTitlesName(project.c_str()), "cannot list the inputs of " + project);
  for (const auto& t : TitlesOf(quenby::DescribeNetwork(project).callerColumns)) out << t << "\n";
  return 0;
}

}  // namespace tools
