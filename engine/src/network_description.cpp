// DescribeNetwork: the compiled file read by the engine's loader into a
// network of its own, then copied out as plain values.
#include <exception>
#include <new>

#include "common/failure.h"
#include "compiled_file.h"
#include "input_preparation.h"
#include "loaded_network.h"
#include "quenby.h"
#include "quenby_network.h"

namespace quenby {

namespace {

std::string DerivedTitle(int code) {
  if (code == 1) return "derived: winning cluster";
  if (code == 2) return "derived: membership or distance ratio";
  return "derived: membership of cluster " + std::to_string(code - 2);
}

NetworkDescription Describe(const std::string& projectPath) {
  NetworkDescription d;
  d.projectPath = projectPath;
  d.compiledFile = projectPath + ".DLLFile";
  LoadedNetwork n;
  n.ProjectPath = projectPath;
  const CompiledSections sections = LoadNetworkFileInto(n, d.compiledFile);
  PlanInputColumns(n);

  d.variableCount = n.VariableCount;
  for (int64_t c = 1; c <= n.VarMin.Upper(); ++c) {
    NetworkColumn col;
    col.column = static_cast<int>(c);
    col.derived = c > n.VariableCount;
    col.title = col.derived ? DerivedTitle(static_cast<int>(c - n.VariableCount)) : n.VariableTitles.At(c, "VariableTitles");
    col.min = n.VarMin(c);
    col.max = n.VarMax(c);
    d.columns.push_back(std::move(col));
  }
  for (int i = 1; i <= n.InputVarCount; ++i) d.inputVariableColumns.push_back(n.InputVarColumns.At(i, "InputVarColumns"));
  for (int k = 1; k <= n.OutputCount; ++k) d.outputs.push_back(d.Column(n.OutputColumns.At(k, "OutputColumns")));

  d.directInputCount = n.DirectInputCount;
  d.extraInputCount = n.ExtraInputCount;
  for (int j = 1; j <= n.DirectInputCount; ++j) d.callerColumns.push_back(d.Column(n.NetInputColumns.At(j, "NetInputColumns")));
  for (int x = 1; x <= n.ExtraInputCount; ++x) d.callerColumns.push_back(d.Column(n.ExtraInputColumns.At(x, "ExtraInputColumns")));
  for (int j = 1; j <= n.DirectInputCount + n.DerivedInputCount; ++j) {
    d.networkInputs.push_back(d.Column(n.NetInputColumns.At(j, "NetInputColumns")));
  }
  for (int m = 1; m <= n.DerivedInputCount; ++m) d.derivedInputCodes.push_back(n.DerivedInputCodes.At(m, "DerivedInputCodes"));

  d.clusteringMode = n.ClusteringMode;
  d.clusterCount = n.ClusterCount;
  if (n.ClusterVarCount > 0) {
    for (int i = 1; i <= n.InputVarCount; ++i) {
      if (n.ClusterVarFlags.At(i, "ClusterVarFlags") == 1) d.clusterVariableColumns.push_back(n.InputVarColumns.At(i));
    }
    for (int k = 1; k <= n.OutputCount; ++k) {
      if (n.ClusterVarFlags.At(n.InputVarCount + k, "ClusterVarFlags") == 1) d.clusterVariableColumns.push_back(n.OutputColumns.At(k));
    }
    for (int c = 1; c <= n.ClusterCount; ++c) {
      std::vector<double> centre;
      for (int p = 1; p <= n.ClusterVarCount; ++p) centre.push_back(n.ClusterCentres.At(c, p, "ClusterCentres"));
      d.clusterCentres.push_back(std::move(centre));
    }
  }

  d.hasBackProp = sections.backProp;
  if (d.hasBackProp) {
    d.multiSlab = n.MultiSlab != 0;
    d.hiddenCount = n.HiddenCount;
    d.slabCount = n.SlabCount;
    if (d.multiSlab) {
      for (int s = 1; s <= n.SlabCount; ++s) d.slabActivations.push_back(n.SlabActivations.At(s, "SlabActivations"));
    }
  }
  // A ".grn" file never calibrated compiles into a section without one.
  d.hasGrnn = sections.grnn && !n.GrnnCalibration.empty();
  if (d.hasGrnn) {
    d.grnnCalibration = n.GrnnCalibration;
    d.grnnSmoothing = n.GrnnSmoothing;
    d.trainingCount = n.TrainingCount;
  }
  return d;
}

}  // namespace

const NetworkColumn& NetworkDescription::Column(int column) const {
  if (column < 1 || static_cast<size_t>(column) > columns.size()) {
    throw std::out_of_range(compiledFile + " has no column " + std::to_string(column) + " (columns 1 to " +
                            std::to_string(columns.size()) + ")");
  }
  return columns[static_cast<size_t>(column) - 1];
}

NetworkDescription DescribeNetwork(const std::string& projectPath) {
  try {
    return Describe(projectPath);
  } catch (const common::Failure& f) {
    // A table the counts disagree with names no line: the file is at fault.
    throw NetworkReadError(static_cast<int32_t>(f.cls), f.message, f.file.empty() ? projectPath + ".DLLFile" : f.file, f.line);
  } catch (const std::out_of_range& e) {
    // A column number in the file beyond the ranges it gives.
    throw NetworkReadError(QUENBY_SUBSCRIPT, std::string("subscript out of range: ") + e.what(), projectPath + ".DLLFile", 0);
  } catch (const std::length_error&) {
    throw NetworkReadError(QUENBY_OUT_OF_MEMORY, "out of memory: the network of " + projectPath + " does not fit", projectPath + ".DLLFile", 0);
  } catch (const std::bad_alloc&) {
    throw NetworkReadError(QUENBY_OUT_OF_MEMORY, "out of memory: the network of " + projectPath + " does not fit", projectPath + ".DLLFile", 0);
  }
}

}  // namespace quenby
