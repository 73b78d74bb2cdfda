#pragma once
// The project's ".DLLFile" file: the loader that fills LoadedNetwork from it
// and the writer that renders LoadedNetwork as its text.
#include <cstddef>
#include <string>
#include <string_view>

namespace quenby {

struct LoadedNetwork;

// Which networks a compiled file holds: a "BackProp Info" and a "GRNN Info"
// section. A file without one leaves that network's fields as they were.
struct CompiledSections {
  bool backProp = false;
  bool grnn = false;
};

// Reads Net().ProjectPath + ".DLLFile" into Net(). Fields the file does not
// reach keep their values. Throws common::Failure. pieceBytes: the size of
// the pieces the file is read in (tests read it in tiny ones).
// convertGrnn: the general regression section is converted as it is read
// even where sections are deferred (for a call that evaluates it at once).
CompiledSections LoadNetworkFile(size_t pieceBytes = size_t{1} << 16, bool convertGrnn = false);

// The same into a network of the caller's, from the file at path.
CompiledSections LoadNetworkFileInto(LoadedNetwork& n, const std::string& path);

// The same from text already in memory; fileName is used in messages.
CompiledSections LoadNetworkText(std::string_view text, const std::string& fileName);

// The loaders check a general regression section's patterns and remember
// where they lie (a text's are kept); this fills GeneticSmoothing,
// TrainingInputs and TrainingOutputs from them, as the load would have,
// reading a file's again (a file error if it changed since). Whatever reads those tables calls it first;
// nothing happens when no section is pending.
void ConvertPendingGrnnSection(LoadedNetwork& n);
void ConvertPendingGrnnSection();  // of Net()

// Whether the loaders defer that conversion (the default) or convert as
// they read, field after field; tests and a fuzz target hold the two to
// each other. Returns the earlier setting.
bool DeferGrnnSections(bool defer);

// Writer, in the layout's order. Each appends complete CR LF lines and fails
// (subscript) when a table it must write is smaller than its counts say.
// Rows 1..16: general information through the marker "*** BackProp ***".
void AppendGeneralSection(std::string& out);
// "BackProp Info", the layout line, slab names, both weight tables.
void AppendBackPropSection(std::string& out);
// "GRNN Info", the calibration and the training patterns.
void AppendGrnnSection(std::string& out);

// The whole file: the general section, then "BackProp Info" section or
// "No BackProp", "*** GRNN ***", then the GRNN section or "No GRNN".
std::string CompiledFileText(bool hasBackProp, bool hasGrnn);

}  // namespace quenby
