// sample-generator: trains the sample networks and writes them, in the
// training program's own file formats, with "Control.dat" and the demo case.
#include <cstdio>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/tool_arguments.h"
#include "common/version.h"
#include "output_guard.h"
#include "sample_set.h"

namespace {

const char* const kUsage =
    "usage: sample-generator [--force] FOLDER\n"
    "\n"
    "Trains the four sample networks of the cascade on a synthetic site and\n"
    "writes, under FOLDER (created when missing):\n"
    "  Control.dat             the driver's control file (one case)\n"
    "  projects/NAME.*         the project files: .dat .flg .ndp .net, and\n"
    "                          .clu .grn (Arrival), .MinMax (Well)\n"
    "  inputs.txt              the demo case: 510 host inputs, one per line\n"
    "  checks/NAME.inputs.csv  cases for `quenby apply`, and the predictions\n"
    "  checks/NAME.*.csv       the engine must reproduce for them\n"
    "  checks/demo-expected.csv  the 400 values of the demo calculation\n"
    "Stale .DLLFile and .MyTitles files of the projects are removed, so the\n"
    "engine compiles the new networks on first use. The output is the same\n"
    "on every run.\n"
    "FOLDER must be new or empty (or hold only the deliverables: the driver,\n"
    "the engine and the adapter): --force writes over what it holds.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = common::ToolArguments(argc, argv);
  if (common::AnswerVersion(args, "sample-generator")) return 0;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string folder;
  bool force = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--force") force = true;
    else if (args[i].empty() || args[i][0] == '-' || !folder.empty()) folder.clear(), i = args.size();
    else folder = args[i];
  }
  if (folder.empty()) {
    std::fputs("sample-generator: expected one argument, the output folder (see --help)\n", stderr);
    return 2;
  }
  // A folder of the modeller's own is not written over by accident.
  std::vector<std::string> others = tools::OtherEntries(
      folder, {"Torvane", "Torvane.exe", "libQuenby.so", "Quenby.dll", "libPellmar.so", "Pellmar.dll"});
  if (!force && !others.empty()) {
    std::string listed;
    for (size_t k = 0; k < others.size() && k < 3; ++k) listed += (k ? ", " : "") + others[k];
    if (others.size() > 3) listed += ", ...";
    std::fprintf(stderr, "sample-generator: %s is not empty (%s): name a new folder, or --force to write over it\n", folder.c_str(),
                 listed.c_str());
    return 1;
  }
  try {
    samples::SampleSet set = samples::GenerateSampleSet();
    samples::WriteSampleSet(set, folder);
    for (const auto& line : set.summary) std::printf("%s\n", line.c_str());
    std::printf("wrote %zu files to %s\n", set.files.size(), folder.c_str());
  } catch (const common::Failure& f) {
    std::fprintf(stderr, "sample-generator: %s\n", f.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sample-generator: %s\n", e.what());
    return 1;
  }
  return 0;
}
