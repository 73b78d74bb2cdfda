// LoadNetworkFile: fills LoadedNetwork from the project's ".DLLFile" file.
// The file is read in pieces of whole lines; every count is checked
// against its 16-bit limits and against what remains of the file before a
// table is allocated for it.
#include <cstdio>
#include <string>
#include <utility>

#include "byte_hash.h"
#include "common/checked16.h"
#include "common/failure.h"
#include "compiled_file.h"
#include "field_reader.h"
#include "loaded_network.h"

namespace quenby {

using common::FailureClass;

namespace {

bool g_deferGrnn = true;

// A sum of counts the file states, checked as the 16-bit arithmetic it is.
int16_t CountSum(const FieldReader& in, int32_t a, int32_t b, const char* what) {
  const int64_t s = int64_t{a} + b;
  if (!common::Fits16(s)) in.FailHere(FailureClass::Overflow, common::Overflow16Text(s, what));
  return static_cast<int16_t>(s);
}

void ReadGeneralInfo(FieldReader& in, LoadedNetwork& n) {
  in.ReadLine("the marker \"*** General Project Info ***\"");
  n.VariableCount = in.ReadCount("the variable count");
  n.InputVarCount = in.ReadCount("the input variable count");
  n.OutputCount = in.ReadCount("the output count");
  CountSum(in, n.InputVarCount, n.OutputCount, "input variable count + output count");

  in.RequireRoom(int64_t{n.VariableCount} + n.InputVarCount + n.OutputCount, "titles and columns");
  n.VariableTitles.Redim(n.VariableCount, "VariableTitles");
  n.InputVarColumns.Redim(n.InputVarCount, "InputVarColumns");
  n.OutputColumns.Redim(n.OutputCount, "OutputColumns");
  // Titles are whole lines, as they are written: a comma or a leading blank
  // in a title is part of it.
  for (int i = 1; i <= n.VariableCount; ++i) {
    n.VariableTitles(i) = std::string(in.ReadLine("the title of variable " + std::to_string(i)));
  }
  for (int i = 1; i <= n.InputVarCount; ++i) n.InputVarColumns(i) = in.ReadInt16("an input variable column");
  for (int i = 1; i <= n.OutputCount; ++i) n.OutputColumns(i) = in.ReadInt16("an output column");
}

void ReadClustering(FieldReader& in, LoadedNetwork& n) {
  in.ReadLine("the marker \"*** Clustering ***\"");
  n.ClusterCount = in.ReadCount("the cluster count");
  n.ClusterVarCount = in.ReadCount("the clustering variable count");
  n.ClusteringMode = in.ReadText("the clustering mode");
  const int16_t flags = CountSum(in, n.InputVarCount, n.OutputCount, "input variable count + output count");
  const int64_t centres = int64_t{n.ClusterCount} * n.ClusterVarCount;
  if (n.ClusterVarCount > 0) in.RequireRoom(flags + centres, "clustering flags and centre coordinates");
  n.ClusterVarFlags.Redim(flags, "ClusterVarFlags");
  n.ClusterCentres.Redim(n.ClusterCount, n.ClusterVarCount, "ClusterCentres");
  if (n.ClusterVarCount > 0) {
    for (int i = 1; i <= flags; ++i) n.ClusterVarFlags(i) = in.ReadInt16("a clustering flag");
    for (int c = 1; c <= n.ClusterCount; ++c) {
      in.ReadDoubles(n.ClusterCentres.Row(c) + 1, n.ClusterVarCount, "a cluster centre coordinate");
    }
  }
}

void ReadPartitioning(FieldReader& in, LoadedNetwork& n) {
  in.ReadLine("the marker \"*** Partitioning ***\"");
  n.DirectInputCount = in.ReadCount("the direct input count");
  n.DerivedInputCount = in.ReadCount("the derived input count");
  const int16_t nIn = CountSum(in, n.DirectInputCount, n.DerivedInputCount, "network input count");
  CountSum(in, nIn, 1, "network input count + 1");
  in.RequireRoom(nIn, "network input columns and derived input codes");
  n.NetInputColumns.Redim(nIn, "NetInputColumns");
  n.DerivedInputCodes.Redim(n.DerivedInputCount, "DerivedInputCodes");
  for (int i = 1; i <= n.DirectInputCount; ++i) n.NetInputColumns(i) = in.ReadInt16("a direct input column");
  for (int m = 1; m <= n.DerivedInputCount; ++m) {
    const long line = in.Line();
    const int16_t code = in.ReadInt16("a derived input code");
    n.DerivedInputCodes(m) = code;
    const int32_t column = int32_t{code} + n.VariableCount;
    if (column > common::kInt16Max || column < common::kInt16Min) {
      common::FailAt(FailureClass::Overflow,
                     "derived input code " + std::to_string(code) + " + variable count " +
                         std::to_string(n.VariableCount) + " does not fit a 16-bit column number",
                     in.FileName(), line);
    }
    n.NetInputColumns(n.DirectInputCount + m) = static_cast<int16_t>(column);
  }
}

void ReadRanges(FieldReader& in, LoadedNetwork& n) {
  in.ReadLine("the marker \"*** Min and Max ***\"");
  const int16_t columns = CountSum(in, CountSum(in, n.VariableCount, n.ClusterCount, "variable count + cluster count"),
                                   2, "variable count + cluster count + 2");
  in.RequireRoom(int64_t{columns} * 2, "minimum and maximum values");
  n.VarMin.Redim(columns, "VarMin");
  n.VarMax.Redim(columns, "VarMax");
  for (int g = 1; g <= columns; ++g) {
    n.VarMin(g) = in.ReadDouble("the minimum of column " + std::to_string(g));
    n.VarMax(g) = in.ReadDouble("the maximum of column " + std::to_string(g));
  }
}

void ReadBackProp(FieldReader& in, LoadedNetwork& n) {
  n.MultiSlab = in.ReadBoolean("the multi-slab switch");
  n.SlabCount = in.ReadCount("the slab count");
  n.HiddenCount = in.ReadCount("the hidden neuron count");
  const int16_t nIn = CountSum(in, n.DirectInputCount, n.DerivedInputCount, "network input count");
  const int16_t inRows = CountSum(in, nIn, 1, "network input count + 1");
  const int16_t outRows = CountSum(in, n.HiddenCount, n.SlabCount, "hidden count + slab count");
  const int64_t weights = int64_t{inRows} * n.HiddenCount + int64_t{outRows} * n.OutputCount;
  in.RequireRoom(weights + (n.MultiSlab != 0 ? n.SlabCount : 0), "slab names and weights");

  n.SlabActivations.Redim(n.SlabCount, "SlabActivations");
  n.InputWeights.Redim(inRows, n.HiddenCount, "InputWeights");
  n.OutputWeights.Redim(outRows, n.OutputCount, "OutputWeights");
  if (n.MultiSlab != 0) {
    for (int s = 1; s <= n.SlabCount; ++s) n.SlabActivations(s) = in.ReadText("the activation of slab " + std::to_string(s));
  }
  // Rows are read straight into the tables, columns 1.. of each.
  for (int l = 1; l <= inRows; ++l) in.ReadDoubles(n.InputWeights.Row(l) + 1, n.HiddenCount, "an input-to-hidden weight");
  for (int m = 1; m <= outRows; ++m) {
    in.ReadDoubles(n.OutputWeights.Row(m) + 1, n.OutputCount, "a hidden-to-output weight");
  }
}

// The section's tables, in the layout's order, with the counts the section
// was loaded with.
void ReadGrnnTables(FieldReader& in, LoadedNetwork& n, const PendingGrnnSection& s) {
  if (s.Genetic) {
    n.GeneticSmoothing.Redim(s.Patterns, s.InputCount, "GeneticSmoothing");
    for (int32_t p = 1; p <= s.Patterns; ++p) {
      in.ReadDoubles(n.GeneticSmoothing.Row(p) + 1, s.InputCount, "a genetic smoothing factor");
    }
  }
  n.TrainingInputs.Redim(s.Patterns, s.InputCount, "TrainingInputs");
  n.TrainingOutputs.Redim(s.Patterns, s.OutputCount, "TrainingOutputs");
  for (int32_t p = 1; p <= s.Patterns; ++p) {
    in.ReadDoubles(n.TrainingInputs.Row(p) + 1, s.InputCount, "a training input");
    in.ReadDoubles(n.TrainingOutputs.Row(p) + 1, s.OutputCount, "a training output");
  }
}

// The calibration and the counts are read as they come; the patterns are
// checked, and converted when a "GRNN" call first needs them (defer) or
// as they are read.
void ReadGrnn(FieldReader& in, LoadedNetwork& n, bool defer) {
  n.GrnnCalibration = in.ReadText("the GRNN calibration");
  const int16_t nIn = CountSum(in, n.DirectInputCount, n.DerivedInputCount, "network input count");
  const int64_t perPattern = int64_t{nIn} + n.OutputCount;
  // A stored pattern always takes room in the file, even one without values.
  auto requirePatterns = [&](int64_t valuesPerPattern, const char* what) {
    in.RequireRoom(int64_t{n.TrainingCount} * (valuesPerPattern > 0 ? valuesPerPattern : 1), what);
  };
  auto readTrainingCount = [&] {
    const long line = in.Line();
    n.TrainingCount = in.ReadInt32("the training pattern count");
    if (n.TrainingCount < 0) {
      common::FailAt(FailureClass::Subscript,
                     "the training pattern count is " + std::to_string(n.TrainingCount) + "; a count must be 0 or more",
                     in.FileName(), line);
    }
  };
  const bool genetic = n.GrnnCalibration != "Holdout";
  if (genetic) {
    readTrainingCount();
    requirePatterns(int64_t{nIn} + perPattern, "genetic smoothing factors and training values");
  } else {
    n.GrnnSmoothing = in.ReadDouble("the smoothing factor");
    readTrainingCount();
    requirePatterns(perPattern, "training values");
  }

  PendingGrnnSection& s = n.PendingGrnn;
  if (!defer) {
    ConvertPendingGrnnSection(n);  // the tables as they stand before this section
    PendingGrnnSection counts;
    counts.Genetic = genetic;
    counts.Patterns = n.TrainingCount;
    counts.InputCount = nIn;
    counts.OutputCount = n.OutputCount;
    ReadGrnnTables(in, n, counts);
    return;
  }
  // A "Holdout" section leaves GeneticSmoothing as it was, which may still
  // be an earlier section's to fill.
  if (s.Pending && s.Genetic && !genetic) ConvertPendingGrnnSection(n);
  const long firstLine = in.Line();
  const bool startsLine = in.AtLineStart();
  // A file's section is only checked and hashed, through the reader's small
  // buffer; a text's is kept.
  const bool inFile = in.ReadsFile();
  if (inFile) {
    in.HashFromHere();
  } else {
    in.KeepFromHere(s.Spare);
  }
  bool good = true;
  try {
    in.SkipDoubles(int64_t{n.TrainingCount} * ((genetic ? nIn : 0) + perPattern), "a training value");
  } catch (const common::Failure& f) {
    if (f.cls == FailureClass::FileNotFound) throw;  // the file could not be read: no text to convert
    good = false;
  }
  // A damaged section fails as the conversion meets the fault, leaving what
  // it read and, in the tables it did not reach, the earlier section's.
  if (!good) ConvertPendingGrnnSection(n);
  PendingGrnnSection counts;
  counts.Genetic = genetic;
  counts.Patterns = n.TrainingCount;
  counts.InputCount = nIn;
  counts.OutputCount = n.OutputCount;
  if (inFile) {
    common::FileIdentity identity;
    if (!good || !in.Identify(identity)) {
      // Converted at once from the open file, as the sequential loader reads it.
      s.Pending = false;
      in.Rewind(in.EndHash().offset, firstLine, startsLine);
      ReadGrnnTables(in, n, counts);
      return;
    }
    const FieldReader::Span span = in.EndHash();
    s.Identity = identity;
    s.Offset = span.offset;
    s.Bytes = span.bytes;
    s.Hash = span.hash;
  } else {
    std::swap(s.Text, s.Spare);
  }
  s.InFile = inFile;
  s.FileName = in.FileName();
  s.FirstLine = firstLine;
  s.StartsLine = startsLine;
  s.Genetic = counts.Genetic;
  s.Patterns = counts.Patterns;
  s.InputCount = counts.InputCount;
  s.OutputCount = counts.OutputCount;
  s.Pending = true;
  if (!good) ConvertPendingGrnnSection(n);
}

CompiledSections LoadNetwork(FieldReader& in, LoadedNetwork& n, bool defer = g_deferGrnn) {
  CompiledSections sections;
  ReadGeneralInfo(in, n);
  ReadClustering(in, n);
  ReadPartitioning(in, n);
  ReadRanges(in, n);

  in.ReadLine("the marker \"*** BackProp ***\"");
  if (in.ReadLine("\"BackProp Info\" or \"No BackProp\"") == "BackProp Info") {
    ReadBackProp(in, n);
    sections.backProp = true;
  }

  in.ReadLine("the marker \"*** GRNN ***\"");
  if (in.ReadLine("\"GRNN Info\" or \"No GRNN\"") == "GRNN Info") {
    ReadGrnn(in, n, defer);
    sections.grnn = true;
  }
  return sections;
}

}  // namespace

CompiledSections LoadNetworkText(std::string_view text, const std::string& fileName) {
  FieldReader in(text, fileName);
  return LoadNetwork(in, Net());
}

bool DeferGrnnSections(bool defer) {
  const bool earlier = g_deferGrnn;
  g_deferGrnn = defer;
  return earlier;
}

namespace {

// The pending section's bytes read again from its file into s.Text; false
// unless the file is still the one loaded and the bytes hash as they did.
bool RereadSection(PendingGrnnSection& s) {
  std::FILE* f = common::OpenFile(s.FileName, "rb");
  if (!f) return false;
  common::FileIdentity now;
  bool same = common::IdentifyFile(f, now) && now == s.Identity && common::SeekFile(f, s.Offset);
  if (same) {
    const size_t bytes = static_cast<size_t>(s.Bytes);
    s.Text.Reserve(bytes);
    same = bytes == 0 || std::fread(s.Text.Data(), 1, bytes, f) == bytes;
    s.Text.SetSize(same ? bytes : 0);
  }
  std::fclose(f);
  if (!same) return false;
  ByteHash hash;
  hash.Add(s.Text.View().data(), s.Text.View().size());
  return hash.Value() == s.Hash;
}

}  // namespace

void ConvertPendingGrnnSection(LoadedNetwork& n) {
  PendingGrnnSection& s = n.PendingGrnn;
  if (!s.Pending) return;
  // A file changed since it was loaded: its tables are gone, and every use
  // fails the same way until a load replaces the section.
  if (s.InFile && !RereadSection(s)) {
    common::Fail(FailureClass::FileError,
                 "the compiled file " + s.FileName + " changed after it was loaded; apply the network again");
  }
  s.Pending = false;
  FieldReader in(s.Text.View(), s.FileName, s.FirstLine, s.StartsLine);
  ReadGrnnTables(in, n, s);
}

void ConvertPendingGrnnSection() { ConvertPendingGrnnSection(Net()); }

CompiledSections LoadNetworkFile(size_t pieceBytes, bool convertGrnn) {
  FieldReader in(Net().ProjectPath + ".DLLFile", pieceBytes);
  return LoadNetwork(in, Net(), g_deferGrnn && !convertGrnn);
}

CompiledSections LoadNetworkFileInto(LoadedNetwork& n, const std::string& path) {
  FieldReader in(path);
  return LoadNetwork(in, n);
}

}  // namespace quenby
