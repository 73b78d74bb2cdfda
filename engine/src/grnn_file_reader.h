#pragma once
// Reader of the project's general regression file ".grn": the calibration
// ("Holdout" smoothing factor or "Genetic" factors) and the stored training
// patterns. Throws common::Failure naming the file and line.

namespace quenby {

// Reads the calibration into GrnnCalibration, GrnnSmoothing or
// GeneticSmoothing (TrainingCount rows), then the training patterns into
// TrainingCount, TrainingInputs and TrainingOutputs (OutputCount outputs
// each). A file that was never calibrated (second line "*** Hold Out ***")
// shows "Run the GRNN first" and leaves every general regression field as
// it was.
void ReadGrnnFile();

// Where "Run the GRNN first" goes: common::ShowNotice (a modal box where
// Windows has an interactive desktop, else standard error) unless replaced,
// as tests do so that nothing waits for a person. Returns the earlier one.
using GrnnNotice = void (*)(const char* text);
GrnnNotice SetGrnnNotice(GrnnNotice notice);

}  // namespace quenby
