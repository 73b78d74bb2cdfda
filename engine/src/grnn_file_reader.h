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

}  // namespace quenby
