// A compiled network as a value: what a project's ".DLLFile" file states,
// read with the engine's own loader into a private copy. The network the
// engine has loaded for ApplyNNet is neither read nor changed, so tools may
// describe any number of projects in a process that also evaluates them.
//
// C++ only, for the tools built with the engine (static library
// quenby_engine); the shared library's C API (quenby.h) is unchanged.
#ifndef QUENBY_NETWORK_H
#define QUENBY_NETWORK_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quenby {

// One column of the network's numbering: 1..variable count are the
// project's variables in data-file order, then the columns derived from the
// clustering (derived input code r is column variable count + r).
struct NetworkColumn {
  int column = 0;
  std::string title;  // a variable's title; for a derived column, what it holds
  double min = 0.0;   // the scaling range (VarMin, VarMax)
  double max = 0.0;
  bool derived = false;
};

struct NetworkDescription {
  std::string projectPath;   // as given
  std::string compiledFile;  // projectPath + ".DLLFile", the file read

  // Every column the file gives a range for: the variables, then
  // clusterCount + 2 derived columns. columns[i] is column i + 1.
  std::vector<NetworkColumn> columns;
  int variableCount = 0;
  const NetworkColumn& Column(int column) const;  // throws std::out_of_range

  std::vector<int> inputVariableColumns;  // variables flagged as inputs
  std::vector<NetworkColumn> outputs;     // output k of the network is outputs[k - 1]

  // The table a caller hands to ApplyNNet: its columns in order, as
  // PrintTitlesName lists them: the direct inputs, then the clustering
  // variables that are not direct inputs (asked only when there are
  // derived inputs).
  std::vector<NetworkColumn> callerColumns;
  int directInputCount = 0;
  int extraInputCount = 0;

  // The network's own inputs: the direct ones, then the derived ones.
  std::vector<NetworkColumn> networkInputs;
  std::vector<int> derivedInputCodes;

  // Clustering: "None", "Conv" or "Fuzzy" (empty when the file says nothing).
  std::string clusteringMode;
  int clusterCount = 0;
  std::vector<int> clusterVariableColumns;     // the variables the centres span
  std::vector<std::vector<double>> clusterCentres;  // [cluster - 1][coordinate - 1]

  // Back-propagation network, present when the file has a "BackProp Info"
  // section; an ordinary hidden layer is one slab.
  bool hasBackProp = false;
  bool multiSlab = false;
  int hiddenCount = 0;
  int slabCount = 0;
  std::vector<std::string> slabActivations;  // one per slab when multiSlab

  // General regression network, present when the file has a "GRNN Info"
  // section with a calibration (a ".grn" file never calibrated compiles
  // into one without).
  bool hasGrnn = false;
  std::string grnnCalibration;  // "Holdout" or "Genetic"
  double grnnSmoothing = 0.0;   // of a "Holdout" network
  int32_t trainingCount = 0;
};

// The failure of a description, with the engine's own message (what()) and
// its parts: the status code of quenby.h (QUENBY_FILE_NOT_FOUND, ...) and
// the file and line at fault where the message names them (line 0: none).
class NetworkReadError : public std::runtime_error {
 public:
  NetworkReadError(int32_t status, const std::string& message, std::string file, long line)
      : std::runtime_error(message), status_(status), file_(std::move(file)), line_(line) {}
  int32_t status() const noexcept { return status_; }
  const std::string& file() const noexcept { return file_; }
  long line() const noexcept { return line_; }

 private:
  int32_t status_;
  std::string file_;
  long line_;
};

// Reads projectPath + ".DLLFile". Compiles nothing: a missing file is a
// NetworkReadError (QUENBY_FILE_NOT_FOUND). Throws nothing else.
NetworkDescription DescribeNetwork(const std::string& projectPath);

}  // namespace quenby

#endif  // QUENBY_NETWORK_H
