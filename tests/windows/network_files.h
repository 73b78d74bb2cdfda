#pragma once
// Small trained-looking networks for the four-network cascade, written
// straight as compiled ".DLLFile" files so a calculation needs no training
// program's project files.
#include <string>
#include <vector>

namespace quenby_test {

// One back-propagation network: nIn direct inputs (columns 1..nIn), outputs
// in the columns after them, every input column scaled over [inMin, inMax],
// output k over outRanges[k]. Slab names empty: an ordinary hidden layer.
struct NetworkShape {
  std::string name;
  int inputs = 0;
  int hidden = 0;
  std::vector<std::string> slabs;
  std::vector<std::pair<double, double>> outRanges;
  double inMin = 0, inMax = 100;
  unsigned seed = 1;
};

// The compiled-file text of a network: weights are multiples of 1/4096 taken
// from a fixed integer sequence, so the file holds them exactly.
std::string CompiledNetworkText(const NetworkShape& shape);

// Writes "Control.dat" and networks/<name>.DLLFile for the first-stage
// network (40 inputs) and networks A (55 inputs, 2 outputs), B (53) and
// C (47) into folder; project paths in "Control.dat" are relative to it.
void WriteCascadeNetworks(const std::string& folder);

}  // namespace quenby_test
