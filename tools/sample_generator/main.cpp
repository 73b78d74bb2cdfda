// sample-generator: trains the sample networks and writes them, in the
// training program's own file formats, with "Control.dat" and the demo case.
#include <cstdio>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/tool_arguments.h"
#include "common/version.h"
#include "sample_set.h"

namespace {

const char* const kUsage =
    "usage: sample-generator FOLDER\n"
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
    "on every run.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = common::ToolArguments(argc, argv);
  if (common::AnswerVersion(args, "sample-generator")) return 0;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fputs("sample-generator: expected one argument, the output folder (see --help)\n", stderr);
    return 2;
  }
  try {
    samples::SampleSet set = samples::GenerateSampleSet();
    samples::WriteSampleSet(set, args[0]);
    for (const auto& line : set.summary) std::printf("%s\n", line.c_str());
    std::printf("wrote %zu files to %s\n", set.files.size(), args[0].c_str());
  } catch (const common::Failure& f) {
    std::fprintf(stderr, "sample-generator: %s\n", f.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sample-generator: %s\n", e.what());
    return 1;
  }
  return 0;
}
