#pragma once
// The four networks of the cascade as the driver feeds them: where each
// input column of the driver's tables comes from, what each network learns,
// and how it is built (hidden layer, slabs, clustering, result files).
#include <string>
#include <vector>

#include "back_prop_net.h"
#include "host_process.h"

namespace samples {

enum class SourceKind {
  Host,                 // a host variable, the same for every year
  Year,                 // the year s
  Rainfall,             // host variable 55 + s
  Temperature,          // host variable 310 + s
  Pumping,              // host variable 410 + s
  PhaseOneTwo,          // 1 before the remediation start, else 2
  StartedZeroOne,       // 0 before the remediation start, else 1
  ArrivedZeroOne,       // 0 before the year the first stage predicts, else 1
  PumpingAtRemediation  // host variable 411 + floor(h307)
};

struct ColumnSource {
  SourceKind kind = SourceKind::Host;
  int var = 0;
};

// The value the driver puts into the column for year s (1..100) of the case;
// firstStage is the first-stage network's answer for case 1 (days).
double ColumnValue(const ColumnSource& source, const HostCase& c, int s, double firstStage);
std::string ColumnTitle(const ColumnSource& source);

struct NetworkOutput {
  std::string title;
  double (*truth)(const HostCase&, int s);
};

struct NetworkDesign {
  std::string name;       // project file name
  std::string purpose;    // first line of the project's files
  std::string controlLabel;
  std::vector<ColumnSource> columns;  // the driver's table columns 1..n
  std::vector<NetworkOutput> outputs;
  bool perYear = true;                // one record per (case, year)
  int cases = 0;                      // sites drawn for the training data
  int yearsPerCase = 0;               // years recorded per site
  int hidden = 0;
  std::vector<std::string> slabs{"Logistic"};
  bool multiSlab = false;
  int clusters = 0;                   // fuzzy clustering of clusterColumns
  std::vector<int> clusterColumns;    // 0-based driver columns
  std::vector<int> derivedCodes;
  bool rangeFile = false;             // write a ".MinMax" file
  std::string grnn;                   // ".grn" calibration: "", "Holdout" or "Genetic"
  int grnnPatterns = 0;               // patterns stored (0: every training record)
  int grnnSweeps = 3;                 // "Genetic": passes of the factor search
  TrainingSettings training;
};

// Control-file order: network A (line 2), B (line 4), C (line 6), first stage
// (line 8). The first stage is trained first: C learns from its answers.
struct SampleDesigns {
  NetworkDesign networkA, networkB, networkC, firstStage;
};
SampleDesigns MakeSampleDesigns();

}  // namespace samples
