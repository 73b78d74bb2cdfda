#pragma once
// Readers of the project's back-propagation file ".net": the network layout
// after "*** BKP Information ***" and one named weight set. Throw
// common::Failure naming the file and line.
#include <cstdint>
#include <string>

namespace quenby {

// Sets SlabCount 1, then reads HiddenCount, MultiSlab (the file stores the
// opposite: true for an ordinary hidden layer) and, for a slabbed layer,
// SlabCount and SlabActivations. A file whose information section is empty
// leaves HiddenCount and MultiSlab as they were.
void ReadBackPropInfo();

// Reads the weight set marked "*** <setName> Weights ***" of an ordinary
// hidden layer: HiddenCount from the set, InputWeights
// (0 To inCount + 1, 0 To HiddenCount) and OutputWeights
// (0 To HiddenCount + 1, 0 To outCount), row by row.
void ReadBackPropWeights(const std::string& setName, const int16_t& inCount, const int16_t& outCount);

// The same for a slabbed layer: the set's hidden count H sizes the tables
// but leaves HiddenCount alone; OutputWeights is (0 To H + SlabCount,
// 0 To outCount), one bias row per slab.
void ReadSlabWeights(const std::string& setName, const int16_t& inCount, const int16_t& outCount);

}  // namespace quenby
