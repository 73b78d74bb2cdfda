#include "info_command.h"

#include "common/number_text.h"
#include "common/text_file.h"
#include "network_access.h"
#include "quenby_network.h"

namespace tools {

const char* const kInfoUsage =
    "usage: quenby info PROJECT\n"
    "Describes the compiled network (compiling it first when PROJECT.DLLFile\n"
    "is missing).\n";

namespace {

std::string Range(const quenby::NetworkColumn& c) {
  std::string r(1, '[');
  r += common::GeneralNumber(c.min);
  r += ", ";
  r += common::GeneralNumber(c.max);
  r += ']';
  return r;
}

}  // namespace

int RunInfo(const std::string& project, std::ostream& out) {
  bool compiled = !common::FileExists(CompiledPath(project));
  const quenby::NetworkDescription d = Describe(project);

  out << "project " << project << (compiled ? " (compiled now into " : " (") << d.compiledFile << ")\n";
  out << "variables: " << d.variableCount << " (" << d.inputVariableColumns.size() << " flagged as inputs, " << d.outputs.size()
      << " as outputs)\n";
  for (int v = 1; v <= d.variableCount; ++v) {
    const char* role = "";
    for (int c : d.inputVariableColumns)
      if (c == v) role = "input";
    for (const auto& o : d.outputs)
      if (o.column == v) role = "output";
    out << "  " << v << "  " << d.Column(v).title << (role[0] ? "  (" : "") << role << (role[0] ? ")" : "") << "  range "
        << Range(d.Column(v)) << "\n";
  }
  const size_t nIn = d.networkInputs.size();
  out << "network inputs: " << nIn << " (" << d.directInputCount << " direct, " << d.derivedInputCodes.size() << " derived)\n";
  for (size_t j = 0; j < nIn; ++j) {
    const quenby::NetworkColumn& c = d.networkInputs[j];
    out << "  " << j + 1 << "  column " << c.column << "  " << c.title;
    if (j >= static_cast<size_t>(d.directInputCount)) out << " (code " << d.derivedInputCodes[j - static_cast<size_t>(d.directInputCount)] << ")";
    out << "  range " << Range(c) << "\n";
  }
  out << "caller's columns: " << d.callerColumns.size() << " (" << d.directInputCount << " direct";
  if (d.extraInputCount > 0) {
    out << ", then " << d.extraInputCount << " extra for the clustering:";
    for (size_t x = static_cast<size_t>(d.directInputCount); x < d.callerColumns.size(); ++x) out << " column " << d.callerColumns[x].column;
  }
  out << ")\n";
  out << "clustering: " << (d.clusteringMode.empty() ? "None" : d.clusteringMode);
  if (!d.clusterVariableColumns.empty()) {
    out << ", " << d.clusterCount << " clusters over " << d.clusterVariableColumns.size() << " variables:";
    for (int c : d.clusterVariableColumns) out << " \"" << d.Column(c).title << "\"";
    out << "\n";
    for (size_t c = 0; c < d.clusterCentres.size(); ++c) {
      out << "  centre " << c + 1 << ":";
      for (double x : d.clusterCentres[c]) out << " " << common::GeneralNumber(x);
      out << "\n";
    }
  } else {
    out << "\n";
  }
  if (d.hasBackProp) {
    out << "back propagation: " << d.hiddenCount << " hidden neurons";
    if (d.multiSlab) {
      out << " in " << d.slabCount << " slabs (neurons taken in turn):";
      for (size_t s = 0; s < d.slabActivations.size(); ++s) out << (s > 0 ? "," : "") << " slab " << s + 1 << " \"" << d.slabActivations[s] << "\"";
      out << "; outputs use slab 1's function\n";
    } else {
      out << ", one slab, \"Logistic\"\n";
    }
  } else {
    out << "back propagation: none\n";
  }
  out << "outputs: " << d.outputs.size() << "\n";
  for (size_t k = 0; k < d.outputs.size(); ++k) {
    const quenby::NetworkColumn& c = d.outputs[k];
    out << "  " << k + 1 << "  column " << c.column << "  " << c.title << "  range " << Range(c) << "\n";
  }
  if (!d.hasGrnn) {
    out << "general regression: none\n";
  } else {
    out << "general regression: \"" << d.grnnCalibration << "\"";
    if (d.grnnCalibration == "Holdout") out << ", smoothing " << common::GeneralNumber(d.grnnSmoothing);
    out << ", " << d.trainingCount << " training patterns\n";
  }
  return 0;
}

}  // namespace tools
