#pragma once
// The engine, bound at run time: loaded by name at the first call and kept
// for the rest of the run.
#include <cstdint>
#include <string>

#include "driver_state.h"

namespace torvane {

// ApplyNNet("Back Prop", project, inputs) into result, which becomes a copy
// of the engine's table: rows 1..inputs' upper row bound, columns 1..outputs.
// The engine is the library "libQuenby.so" ("Quenby.dll" on Windows) in the
// program's folder, else found by bare name. controlLine is the Control.dat
// line that named the project, for messages. Throws Failure: file not found
// (engine missing or without ApplyNNet), the engine's own failure with its
// message, subscript (a result without the expected rows or columns).
void ApplyNetwork(const std::string& project, long controlLine, const Table& inputs, Table& result,
                  const char* resultName);

// The same, the table's rows handed to the engine kRowsPerPart at a time
// (each case's outputs depend on its own row alone): the engine's working
// tables then stay a few megabytes, reused from part to part, instead of
// three copies of the whole table that the system must clear and map.
// Any part that fails is answered by the whole table in one call, so a
// failure and its message (which numbers the case from the first row) are
// those of ApplyNetwork. inputs' lower row bound must be 0, else the whole
// table goes in one call.
inline constexpr int32_t kRowsPerPart = 4096;
void ApplyNetworkInParts(const std::string& project, long controlLine, const Table& inputs, Table& result,
                         const char* resultName);

// The network of a Control.dat line in the cascade's words, for messages:
// "network A (Control.dat line 2, projects/Well)".
std::string CascadeNetwork(long controlLine, const std::string& project);

}  // namespace torvane
