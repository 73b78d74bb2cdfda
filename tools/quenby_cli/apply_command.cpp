#include "apply_command.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "apply_cases.h"
#include "command_line.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "network_access.h"
#include "output_guard.h"
#include "progress_bar.h"
#include "quenby.h"
#include "quenby_network.h"

namespace tools {

using common::Fail;
using common::FailureClass;

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

namespace {

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

int ApplyCasesOf(const ApplyOptions& o, std::ostream& out, std::ostream& err, bool errIsTerminal) {
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

ApplyOptions ParseApply(const std::vector<std::string>& args) {
  ApplyOptions o;
  std::vector<std::string> positional;
  std::string tolerance;
  CLI::App app;
  PrepareCommandLine(app, positional);
  app.add_option("--method", o.method);
  app.add_option("--compare", o.compare);
  app.add_option("--tolerance", tolerance);
  app.add_flag_callback("--no-progress", [&] { o.progress = false; });
  app.add_flag("--force", o.force);
  app.add_flag_callback("--decimal-comma", [&] { o.decimal = DecimalMark::Comma; });
  ParseCommandLine(app, args);
  if (o.method != "Back Prop" && o.method != "GRNN")
    throw UsageError{"unknown method \"" + o.method + "\": expected \"Back Prop\" or GRNN (exactly)"};
  if (app.count("--tolerance") && (!common::ParseNumber(tolerance, o.tolerance) || !(o.tolerance >= 0)))
    throw UsageError{"--tolerance: expected a number >= 0, found \"" + tolerance + "\""};
  if (positional.size() < 2 || positional.size() > 3)
    throw UsageError{"apply expects PROJECT INPUT.csv [OUTPUT.csv], found " + std::to_string(positional.size()) + " arguments"};
  o.project = positional[0];
  o.input = positional[1];
  if (positional.size() == 3) o.output = positional[2];
  return o;
}

}  // namespace

int RunApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  return ApplyCasesOf(ParseApply(args), out, err, errIsTerminal);
}

}  // namespace tools
