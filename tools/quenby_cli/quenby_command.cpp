#include "quenby_command.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "apply_cases.h"
#include "check_command.h"
#include "column_matching.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "output_guard.h"
#include "progress_bar.h"
#include "quenby.h"
#include "quenby_network.h"

namespace tools {

namespace {

using common::Fail;
using common::FailureClass;

const char* const kUsage =
    "usage: quenby COMMAND [OPTIONS] PROJECT ...\n"
    "\n"
    "A project is a path without suffix: PROJECT.dat, PROJECT.flg, ... are the\n"
    "training program's files, PROJECT.DLLFile the engine's compiled network.\n"
    "\n"
    "commands:\n"
    "  compile PROJECT   compile the project files into PROJECT.DLLFile\n"
    "  titles PROJECT    list the input columns `apply` expects, in order\n"
    "  info PROJECT      describe the network: variables, inputs, clustering,\n"
    "                    hidden layer, outputs, general regression calibration\n"
    "  apply [--method \"Back Prop\"|GRNN] PROJECT INPUT.csv [OUTPUT.csv]\n"
    "                    apply the network to a table of cases\n"
    "  check [--inputs INPUTS] [FOLDER]\n"
    "                    check a deployment folder before a run\n"
    "\n"
    "`quenby COMMAND --help` tells more about one command.\n";

const char* const kApplyUsage =
    "usage: quenby apply [--method \"Back Prop\"|GRNN] [--compare EXPECTED.csv [--tolerance T]]\n"
    "                    [--no-progress] [--force] [--decimal-comma] PROJECT INPUT.csv [OUTPUT.csv]\n"
    "\n"
    "INPUT.csv: a header row, then one case per row. The columns are those\n"
    "`quenby titles PROJECT` lists, matched by title (in that order, further\n"
    "columns ignored, or in any order). Numbers use \".\" as the decimal point.\n"
    "The results, one column per network output titled as the output variable,\n"
    "go to OUTPUT.csv (replaced only when complete) or to standard output.\n"
    "--method     \"Back Prop\" (the default) or GRNN\n"
    "--compare    check the results against a table of the same shape, such as\n"
    "             the training program's own predictions; exit code 3 when a\n"
    "             value differs by more than T times the largest magnitude of\n"
    "             its column (default 1e-9)\n"
    "--no-progress  no progress bar (it shows on a terminal for long tables)\n"
    "--force      write OUTPUT.csv even when it names the input table, the\n"
    "             --compare table or a file of the project\n"
    "--decimal-comma  INPUT.csv has semicolons between fields and the decimal\n"
    "             comma (recognised by itself when its header holds a semicolon)\n"
    "INPUT.csv: a UTF-8 byte-order mark is skipped, a blank line is an error,\n"
    "columns the network does not take may hold anything, a column title may\n"
    "appear only once.\n"
    "PROJECT.DLLFile is compiled first when it is missing. After retraining,\n"
    "delete it: an existing compiled file is used whatever its age.\n";

const char* const kCompileUsage =
    "usage: quenby compile PROJECT\n"
    "Compiles PROJECT.dat, .flg and the optional .ndp, .clu, .MinMax, .net and\n"
    ".grn into PROJECT.DLLFile, replacing an earlier one.\n";
const char* const kTitlesUsage =
    "usage: quenby titles PROJECT\n"
    "Writes PROJECT.MyTitles and prints the titles of the input columns that\n"
    "`quenby apply` and the driver must supply, one per line, in order.\n";
const char* const kInfoUsage =
    "usage: quenby info PROJECT\n"
    "Describes the compiled network (compiling it first when PROJECT.DLLFile\n"
    "is missing).\n";

struct UsageError {
  std::string message;
};

void Check(int32_t status, const std::string& what) {
  // The engine's message already names its class ("file not found: ...").
  if (status != QUENBY_OK) throw common::Failure{static_cast<FailureClass>(status), what + ": " + QuenbyLastError()};
}

std::string CompiledPath(const std::string& project) { return project + ".DLLFile"; }

void EnsureCompiled(const std::string& project) {
  if (!common::FileExists(CompiledPath(project))) Check(CreatDllFile(project.c_str()), "cannot compile " + project);
}

// The compiled network as the engine states it, compiled first when missing.
quenby::NetworkDescription Describe(const std::string& project) {
  EnsureCompiled(project);
  try {
    return quenby::DescribeNetwork(project);
  } catch (const quenby::NetworkReadError& e) {
    throw common::Failure{static_cast<FailureClass>(e.status()), e.what(), e.file(), e.line()};
  }
}

std::vector<std::string> TitlesOf(const std::vector<quenby::NetworkColumn>& columns) {
  std::vector<std::string> titles;
  for (const auto& c : columns) titles.push_back(c.title);
  return titles;
}

std::string Range(const quenby::NetworkColumn& c) {
  std::string r(1, '[');
  r += common::GeneralNumber(c.min);
  r += ", ";
  r += common::GeneralNumber(c.max);
  r += ']';
  return r;
}

int Compile(const std::string& project, std::ostream& out) {
  Check(CreatDllFile(project.c_str()), "cannot compile " + project);
  out << "compiled " << CompiledPath(project) << "\n";
  return 0;
}

// PrintTitlesName writes PROJECT.MyTitles; the same titles are printed.
int Titles(const std::string& project, std::ostream& out) {
  Check(PrintTitlesName(project.c_str()), "cannot list the inputs of " + project);
  for (const auto& t : TitlesOf(quenby::DescribeNetwork(project).callerColumns)) out << t << "\n";
  return 0;
}

int Info(const std::string& project, std::ostream& out) {
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

struct ApplyOptions {
  std::string method = "Back Prop";
  std::string project, input, output, compare;
  double tolerance = 1e-9;
  bool progress = true, force = false;
  DecimalMark decimal = DecimalMark::Recognise;
};

// Applies the network to rows [first, first + count) of cases.
void ApplyRows(const ApplyOptions& o, const std::vector<std::vector<double>>& cases, size_t first, size_t count,
               std::vector<std::vector<double>>& results) {
  const size_t columns = cases.empty() ? 0 : cases[0].size();
  std::vector<double> data(count * columns);
  for (size_t i = 0; i < count; ++i) std::copy(cases[first + i].begin(), cases[first + i].end(), data.begin() + static_cast<long>(i * columns));
  QuenbyTable in{data.data(), 1, static_cast<int32_t>(count), 1, static_cast<int32_t>(columns)};
  QuenbyTable out{};
  Check(ApplyNNet(o.method.c_str(), o.project.c_str(), &in, &out), "cannot apply " + o.project);
  const size_t width = static_cast<size_t>(out.col_upper - out.col_lower + 1);
  for (size_t i = 0; i < count; ++i) {
    std::vector<double> row;
    const size_t r = i + 1 - static_cast<size_t>(out.row_lower);
    for (int32_t k = 1; k <= out.col_upper; ++k) row.push_back(out.data[r * width + static_cast<size_t>(k - out.col_lower)]);
    results.push_back(std::move(row));
  }
  QuenbyFreeTable(&out);
}

int Compare(const ApplyOptions& o, const std::vector<std::string>& titles, const std::vector<std::vector<double>>& results,
            std::ostream& out) {
  CsvTable expected = ReadCsvFile(o.compare);
  if (expected.header != titles) {
    std::string want;
    for (const auto& t : titles) want += (want.empty() ? "\"" : ", \"") + t + "\"";
    common::FailAt(FailureClass::InvalidArgument, "expected the columns " + want, o.compare, 1);
  }
  if (expected.rows.size() != results.size())
    common::FailAt(FailureClass::Subscript,
                   "expected " + std::to_string(results.size()) + " rows as in " + o.input + ", found " + std::to_string(expected.rows.size()),
                   o.compare, 0);
  bool agree = true;
  for (size_t k = 0; k < titles.size(); ++k) {
    double largest = 0, worst = 0;
    size_t worstRow = 0;
    for (size_t i = 0; i < results.size(); ++i) {
      largest = std::max(largest, std::fabs(expected.rows[i][k]));
      double d = std::fabs(results[i][k] - expected.rows[i][k]);
      if (!(d <= worst)) {
        worst = d;
        worstRow = i;
      }
    }
    double relative = largest > 0 ? worst / largest : worst;
    bool ok = relative <= o.tolerance;
    agree = agree && ok;
    out << (ok ? "agree   " : "DIFFER  ") << titles[k] << ": largest difference " << ShortestNumber(worst) << " ("
        << ShortestNumber(relative) << " of the column's largest magnitude)";
    if (!ok) out << ", line " << expected.rowLines[worstRow] << " of " << o.compare;
    out << "\n";
  }
  return agree ? 0 : 3;
}

// The results never replace the cases, the expected table or a project file
// unless --force says so.
void GuardApplyOutput(const ApplyOptions& o) {
  std::vector<GuardedFile> guarded{{o.input, "the input table"}, {o.compare, "the --compare table"}};
  for (const char* suffix : {".dat", ".flg", ".ndp", ".net", ".clu", ".grn", ".MinMax", ".DLLFile", ".MyTitles"})
    guarded.push_back({o.project + suffix, "a file of the project " + o.project});
  RefuseToOverwrite(o.output, guarded, o.force);
}

int Apply(const ApplyOptions& o, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  const quenby::NetworkDescription d = Describe(o.project);
  std::vector<std::string> expected = TitlesOf(d.callerColumns);
  if (o.method == "GRNN" && !d.hasGrnn)
    Fail(FailureClass::InvalidArgument, o.project + " has no calibrated general regression network (no .grn results compiled)");
  if (o.method == "Back Prop" && !d.hasBackProp)
    Fail(FailureClass::InvalidArgument, o.project + " has no back-propagation network (no .net file compiled)");
  std::vector<std::string> outputs = TitlesOf(d.outputs);

  if (!o.output.empty()) GuardApplyOutput(o);
  ApplyCases input = ReadApplyCases(o.input, expected, o.decimal);
  CheckTrainingRanges(input, d.callerColumns, o.project).Print(err, "quenby apply", "case", input.rows.size());
  const std::vector<std::vector<double>>& cases = input.rows;

  std::vector<std::vector<double>> results;
  const size_t total = cases.size();
  const bool bar = o.progress && errIsTerminal && total >= 2000;
  const size_t chunk = bar ? std::max<size_t>(500, total / 50) : std::max<size_t>(total, 1);
  ProgressBar progress(err, bar, total, "cases");
  for (size_t first = 0; first < total; first += chunk) {
    size_t count = std::min(chunk, total - first);
    ApplyRows(o, cases, first, count, results);
    progress.Update(first + count);
  }
  progress.Finish();

  if (!o.output.empty()) {
    common::WriteFileReplacing(o.output, FormatCsv(outputs, results));
  } else if (o.compare.empty()) {
    out << FormatCsv(outputs, results, "\n");
  }
  if (!o.compare.empty()) return Compare(o, outputs, results, out);
  return 0;
}

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

ApplyOptions ParseApply(const std::vector<std::string>& args) {
  ApplyOptions o;
  std::vector<std::string> positional;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const std::string& name) -> std::string {
      if (a.size() > name.size() && a.compare(0, name.size() + 1, name + "=") == 0) return a.substr(name.size() + 1);
      if (i + 1 >= args.size()) throw UsageError{name + " needs a value"};
      return args[++i];
    };
    auto is = [&](const std::string& name) { return a == name || a.rfind(name + "=", 0) == 0; };
    if (is("--method")) {
      o.method = value("--method");
      if (o.method != "Back Prop" && o.method != "GRNN")
        throw UsageError{"unknown method \"" + o.method + "\": expected \"Back Prop\" or GRNN (exactly)"};
    } else if (is("--compare")) {
      o.compare = value("--compare");
    } else if (is("--tolerance")) {
      std::string t = value("--tolerance");
      if (!common::ParseNumber(t, o.tolerance) || !(o.tolerance >= 0)) throw UsageError{"--tolerance: expected a number >= 0, found \"" + t + "\""};
    } else if (a == "--no-progress") {
      o.progress = false;
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--decimal-comma") {
      o.decimal = DecimalMark::Comma;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError{"unknown option " + a};
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2 || positional.size() > 3)
    throw UsageError{"apply expects PROJECT INPUT.csv [OUTPUT.csv], found " + std::to_string(positional.size()) + " arguments"};
  o.project = positional[0];
  o.input = positional[1];
  if (positional.size() == 3) o.output = positional[2];
  return o;
}

}  // namespace

int RunQuenby(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  if (args.empty()) {
    err << "quenby: expected a command: compile, titles, info, apply or check (see --help)\n";
    return 2;
  }
  const std::string& command = args[0];
  if (IsHelp(command)) {
    out << kUsage;
    return 0;
  }
  const char* usage = command == "compile" ? kCompileUsage
                      : command == "titles" ? kTitlesUsage
                      : command == "info"   ? kInfoUsage
                      : command == "apply"  ? kApplyUsage
                      : command == "check"  ? kCheckUsage
                                            : nullptr;
  if (!usage) {
    err << "quenby: unknown command \"" << command << "\": expected compile, titles, info, apply or check (see --help)\n";
    return 2;
  }
  if (std::any_of(args.begin() + 1, args.end(), IsHelp)) {
    out << usage;
    return 0;
  }
  try {
    if (command == "apply") return Apply(ParseApply(args), out, err, errIsTerminal);
    if (command == "check") return RunCheck(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (args.size() != 2 || args[1].empty() || args[1][0] == '-')
      throw UsageError{command + " expects one argument, the project path"};
    if (command == "compile") return Compile(args[1], out);
    if (command == "titles") return Titles(args[1], out);
    return Info(args[1], out);
  } catch (const UsageError& e) {
    err << "quenby " << command << ": " << e.message << " (see quenby " << command << " --help)\n";
    return 2;
  } catch (const common::Failure& f) {
    err << "quenby " << command << ": " << f.message << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    err << "quenby " << command << ": out of memory\n";
    return 1;
  }
}

}  // namespace tools
