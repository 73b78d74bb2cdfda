#include "grnn_file_reader.h"

#include <string>
#include <string_view>

#include "common/platform.h"
#include "loaded_network.h"
#include "project_line_reader.h"

namespace quenby {

namespace {

constexpr std::string_view kHoldOut = "*** Hold Out ***";
constexpr std::string_view kGenetic = "*** Genetic ***";
constexpr std::string_view kTrainingSet = "*** Trainag set ***";
constexpr std::string_view kStatistic = "*** Statistic ***";

GrnnNotice g_notice = common::ShowNotice;

void ReadGeneticFactors(ProjectLineReader& in, LoadedNetwork& n) {
  in.SearchTo(kGenetic);
  const int32_t rows = in.Size32("the genetic row count");
  const int16_t columns = in.Size16("the genetic column count");
  n.TrainingCount = rows;
  // A row holds at least one line, so even a row without columns is bounded
  // by the file.
  in.RequireNumberLines(int64_t{rows} * (columns > 0 ? columns : 1), "genetic smoothing factors");
  n.GeneticSmoothing.Redim(rows, columns, "GeneticSmoothing");
  for (int32_t p = 1; p <= rows; ++p) {
    for (int16_t j = 1; j <= columns; ++j) n.GeneticSmoothing(p, j) = in.Real("a genetic smoothing factor");
  }
}

void ReadTrainingSet(ProjectLineReader& in, LoadedNetwork& n) {
  in.SearchTo(kTrainingSet);
  std::string_view first = in.Line("the pattern count after \"*** Trainag set ***\"");
  if (first == kStatistic) return;  // no stored patterns
  const int32_t patterns = in.ToCount32(first, "the pattern count");
  if (patterns < 0) {
    in.FailHere(common::FailureClass::Subscript,
                "expected a pattern count of 0 or more, found " + std::to_string(patterns));
  }
  n.TrainingCount = patterns;
  const int16_t inputs = in.Size16("the input value count of each pattern");
  const int64_t values = int64_t{inputs} + n.OutputCount;
  in.RequireNumberLines(int64_t{patterns} * (values > 0 ? values : 1),
                        "training pattern values (" + std::to_string(patterns) + " patterns of " +
                            std::to_string(inputs) + " inputs and " + std::to_string(n.OutputCount) + " outputs)");
  n.TrainingInputs.Redim(patterns, inputs, "TrainingInputs");
  n.TrainingOutputs.Redim(patterns, n.OutputCount, "TrainingOutputs");
  for (int32_t p = 1; p <= patterns; ++p) {
    double* inRow = n.TrainingInputs.Row(p);
    for (int16_t j = 1; j <= inputs; ++j) inRow[j] = in.Real("a training input value");
    double* outRow = n.TrainingOutputs.Row(p);
    for (int16_t k = 1; k <= n.OutputCount; ++k) outRow[k] = in.Real("a training output value");
  }
}

}  // namespace

void ReadGrnnFile() {
  LoadedNetwork& n = Net();
  ProjectLineReader in(n.ProjectPath + ".grn");
  in.Skip(1, "the general regression file's first line");
  const std::string calibration(in.Line("the calibration kind"));
  if (calibration == kHoldOut) {
    // Never calibrated: tell the person, keep the fields, go on compiling.
    g_notice("Run the GRNN first");
    return;
  }
  n.GrnnCalibration = calibration;
  if (calibration == "Holdout") {
    in.SearchTo(kHoldOut);
    n.GrnnSmoothing = in.Real("the smoothing factor after \"*** Hold Out ***\"");
  } else if (calibration == "Genetic") {
    ReadGeneticFactors(in, n);
  }
  ReadTrainingSet(in, n);
}

GrnnNotice SetGrnnNotice(GrnnNotice notice) {
  GrnnNotice earlier = g_notice;
  g_notice = notice ? notice : common::ShowNotice;
  return earlier;
}

}  // namespace quenby
