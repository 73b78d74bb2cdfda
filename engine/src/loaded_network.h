#pragma once
// The engine's module-wide state: the network currently loaded and the
// working tables of one evaluation. Every engine routine reads and writes it
// directly, as the engine has always worked; nothing in it is handed out.
#include <cstdint>
#include <string>

#include "common/platform.h"
#include "engine_arrays.h"
#include "kept_text.h"

namespace quenby {

// Booleans are stored as 16-bit integers: false 0, true -1.
inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

// A general regression section that the loader has checked but not yet
// converted: a call that does not evaluate the network never pays for its
// tables. ConvertPendingGrnnSection fills GeneticSmoothing, TrainingInputs
// and TrainingOutputs as the loader would have, with the counts the section
// was loaded with. A section loaded from a file is not kept: it is read
// again from the file, which must still be the one loaded (identity and the
// hash of the section's bytes). One loaded from memory is kept in Text.
struct PendingGrnnSection {
  bool Pending = false;
  bool InFile = false;
  KeptText Text;   // memory: the section's patterns to the end of the text
  KeptText Spare;  // memory: the next load's text, until it is known good
  std::string FileName;
  common::FileIdentity Identity;  // file: as found after the check
  int64_t Offset = 0;             // file: where the patterns start
  int64_t Bytes = 0;              // file: how far the check read
  uint64_t Hash = 0;              // file: ByteHash of those bytes
  long FirstLine = 1;      // the line of the patterns' first byte
  bool StartsLine = true;  // whether that byte starts its line
  bool Genetic = false;    // GeneticSmoothing rows come first
  int32_t Patterns = 0;
  int16_t InputCount = 0;
  int16_t OutputCount = 0;
};

struct LoadedNetwork {
  std::string ProjectPath;

  // Project variables (columns 1..VariableCount) and their roles.
  int16_t VariableCount = 0;
  Array1<std::string> VariableTitles;
  int16_t InputVarCount = 0;
  int16_t OutputCount = 0;
  Array1<int16_t> InputVarColumns;
  Array1<int16_t> OutputColumns;

  // Clustering.
  int16_t ClusterCount = 0;
  int16_t ClusterVarCount = 0;
  std::string ClusteringMode;  // "None", "Conv" or "Fuzzy"
  Array1<int16_t> ClusterVarFlags;
  Array2<double> ClusterCentres;

  // Network inputs: direct inputs first, then derived inputs.
  int16_t DirectInputCount = 0;
  int16_t DerivedInputCount = 0;
  Array1<int16_t> NetInputColumns;
  Array1<int16_t> DerivedInputCodes;

  // Scaling range of every column, derived columns included.
  Array1<double> VarMin;
  Array1<double> VarMax;

  // Back-propagation network.
  int16_t MultiSlab = kFalse;
  int16_t SlabCount = 0;
  int16_t HiddenCount = 0;
  Array1<std::string> SlabActivations;
  Array2<double> InputWeights;   // (0 To nIn + 1, 0 To HiddenCount)
  Array2<double> OutputWeights;  // (0 To HiddenCount + SlabCount, 0 To OutputCount)

  // General regression network.
  std::string GrnnCalibration;  // "Holdout" or "Genetic"
  double GrnnSmoothing = 0.0;
  int32_t TrainingCount = 0;
  Array2<double> GeneticSmoothing;  // (0 To TrainingCount, 0 To nIn)
  Array2<double> TrainingInputs;    // (0 To TrainingCount, 0 To nIn)
  Array2<double> TrainingOutputs;   // (0 To TrainingCount, 0 To OutputCount)
  // The three tables above, while their section waits for a "GRNN" call.
  PendingGrnnSection PendingGrnn;

  // Used only while compiling.
  int32_t RecordCount = 0;
  int16_t IdVarCount = 0;
  Array1<int16_t> IdVarColumns;

  // Working tables of one evaluation.
  int16_t ExtraInputCount = 0;
  Array1<int16_t> ExtraInputColumns;
  Array1<std::string> InputTitles;
  Array2<double> NetInputs;      // (0 To cases, 0 To nIn)
  Array2<double> CaseVariables;  // (0 To cases, 0 To VariableCount)
  Array2<double> ScaledInputs;   // shape set by the evaluation pass
  Array2<double> NetOutputs;     // (0 To cases, 0 To OutputCount)
};

// The one loaded network of this process.
LoadedNetwork& Net();

// Back to the state of a freshly loaded library: counts 0, texts empty, no
// table allocated.
void ResetLoadedNetwork();

}  // namespace quenby
