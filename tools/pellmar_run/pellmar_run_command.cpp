#include "pellmar_run_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "column_layout_text.h"
#include "common/failure.h"
#include "common/free_format.h"
#include "common/number_text.h"
#include "common/platform.h"
#include "common/text_file.h"
#include "command_line.h"
#include "csv_table.h"
#include "host_inputs_file.h"
#include "input_precision.h"
#include "output_guard.h"
#include "preflight.h"
#include "realizations_run.h"
#include "series_chart.h"
#include "training_range.h"
#include "validity_domain.h"

namespace tools {

namespace {

namespace fs = std::filesystem;
using common::Fail;
using common::FailureClass;

#ifdef _WIN32
constexpr const char* kLibrary = "Pellmar.dll";
#else
constexpr const char* kLibrary = "libPellmar.so";
#endif
constexpr int kSteps = 100, kSeries = 4, kOutputs = kSteps * kSeries;

using InterfaceFunction = void (*)(int32_t method, int32_t* status, double* in, double* out);

const char* const kUsage =
    "usage: pellmar-run [--svg CHART.svg] [--csv] [--library PATH] [--dir FOLDER] INPUTS\n"
    "       pellmar-run --realizations FILE [--out RESULTS.csv] [--svg BANDS.svg]\n"
    "                   [--bands BANDS.csv] [--precision CHANGES.csv] [--dir FOLDER]\n"
    "                   [--no-progress]\n"
    "\n"
    "Runs one calculation as the host does: loads the adapter library, asks it\n"
    "for its numbers of inputs and outputs (method 3), then calculates\n"
    "(method 1, run flag set) with the 510 host inputs of INPUTS (one value per\n"
    "line, or comma-separated; a first line without numbers is a header).\n"
    "The current folder (or FOLDER) is the working folder: it must hold the\n"
    "driver Torvane, the engine, \"Control.dat\" and the network projects.\n"
    "Prints the four series of 100 values: network A's two outputs, network\n"
    "C's and network B's, titled by the output variables of their projects.\n"
    "--svg FILE     also draw the series as a chart in FILE\n"
    "\n"
    "--realizations FILE  many calculations in one go: one realization per row\n"
    "               (CSV, an optional header; the header may title the inputs\n"
    "               h1 to h510, in any order, else a row's first 510 fields are\n"
    "               taken; further columns are ignored). They run through the\n"
    "               driver's multi-case path, up to 327 cases per run, in a\n"
    "               temporary folder: the working folder's files stay as they\n"
    "               are. Each realization's values equal those of its own host\n"
    "               calculation. A realization the driver fails on is reported\n"
    "               with its row and the driver's message; the others still come\n"
    "               out, and the exit code is 1.\n"
    "--out FILE     one row per realization, in input order: the 400 values\n"
    "               (headed by series and step), how many inputs lie outside\n"
    "               the networks' training ranges, and the driver's message\n"
    "               for a realization that failed\n"
    "--svg FILE     per series the median, the 5-95 % band and the mean\n"
    "--bands FILE   the same as a table: series, step, 5 %, median, 95 %, mean\n"
    "               (printed when no output file is named)\n"
    "--precision FILE  every host input that the exchange file's four decimals\n"
    "               change by more than a part in a million: row, line, host\n"
    "               variable, value, what the driver sees (standard error shows\n"
    "               the first ones and a summary)\n"
    "--no-progress  no progress bar (it shows on a terminal)\n"
    "--workers N    driver copies running side by side (default 2; one on\n"
    "               Windows)\n"
    "--cases-per-run N  cases in one driver run (default and largest 327)\n"
    "\n"
    "Input files: a UTF-8 byte-order mark is skipped; a blank line inside the\n"
    "file is an error; a file whose first line holds a semicolon is read with\n"
    "semicolons between fields and the decimal comma (--decimal-comma for a\n"
    "file of one value per line written so). A host input that the exchange\n"
    "file's four decimals change by more than a part in a million is reported,\n"
    "and so are inputs outside a network's training range (VarMin to VarMax of\n"
    "the column they feed), with the worst one per network.\n"
    "--force        write an output file even over an input or a project file\n"
    "--csv          print the table as CSV (shortest exact numbers)\n"
    "--layout       print what each column of the driver's four tables holds\n"
    "--library PATH load the adapter from PATH instead of ";


struct Options {
  std::string svg, library, dir, inputs, realizations, out, bands, precision;
  bool csv = false, progress = true, force = false;
  DecimalMark decimal = DecimalMark::Recognise;
  size_t casesPerRun = 327;
  int workers = 2;
};

Options Parse(const std::vector<std::string>& args) {
  Options o;
  std::vector<std::string> positional;
  std::string casesPerRun, workers;
  CLI::App app;
  PrepareCommandLine(app, positional);
  app.add_option("--svg", o.svg);
  app.add_option("--library", o.library);
  app.add_option("--dir", o.dir);
  app.add_option("--realizations", o.realizations);
  app.add_option("--out", o.out);
  app.add_option("--bands", o.bands);
  app.add_option("--precision", o.precision);
  app.add_option("--cases-per-run", casesPerRun);
  app.add_option("--workers", workers);
  app.add_flag("--csv", o.csv);
  app.add_flag_callback("--no-progress", [&] { o.progress = false; });
  app.add_flag("--force", o.force);
  app.add_flag_callback("--decimal-comma", [&] { o.decimal = DecimalMark::Comma; });
  ParseCommandLine(app, args);
  if (app.count("--cases-per-run"))
    o.casesPerRun = static_cast<size_t>(WholeNumberOption("--cases-per-run", casesPerRun, 1, 327));
  if (app.count("--workers")) o.workers = WholeNumberOption("--workers", workers, 1, 16);
  if (!o.realizations.empty()) {
    if (!positional.empty()) throw UsageError{"--realizations takes no INPUTS file, found " + positional[0]};
    if (o.csv || !o.library.empty()) throw UsageError{"--realizations runs the driver itself: --csv and --library do not apply"};
    return o;
  }
  if (!o.out.empty() || !o.bands.empty() || !o.precision.empty()) throw UsageError{"--out, --bands and --precision go with --realizations"};
  if (positional.size() != 1) throw UsageError{"expected one INPUTS file, found " + std::to_string(positional.size()) + " arguments"};
  o.inputs = positional[0];
  return o;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  return lines;
}

// Output variable titles of a project: the data file's titles of the
// variables whose flag line is " O ".
std::vector<std::string> OutputTitles(const std::string& project) {
  std::string dat, flg;
  std::vector<std::string> titles;
  if (!common::ReadWholeFile(project + ".dat", dat) || !common::ReadWholeFile(project + ".flg", flg)) return titles;
  std::vector<std::string> flags = Lines(flg);
  // Only the head of the data file is needed: count lines up to the titles.
  size_t pos = 0;
  std::vector<std::string> head;
  while (pos < dat.size() && head.size() < 4) {
    size_t end = dat.find('\n', pos);
    if (end == std::string::npos) end = dat.size();
    head.push_back(dat.substr(pos, end - pos));
    pos = end + 1;
  }
  if (head.size() < 4) return titles;
  int count = std::atoi(head[2].c_str());
  for (int v = 1; v <= count && pos < dat.size(); ++v) {
    size_t end = dat.find('\n', pos);
    if (end == std::string::npos) end = dat.size();
    std::string title = dat.substr(pos, end - pos);
    if (!title.empty() && title.back() == '\r') title.pop_back();
    pos = end + 1;
    if (static_cast<size_t>(v) < flags.size() && flags[static_cast<size_t>(v)] == " O ") titles.push_back(title);
  }
  return titles;
}

std::string Folder(const std::string& folder, const std::string& path) {
  fs::path p(path);
  return p.is_absolute() || folder.empty() ? path : (common::FilesystemPath(folder) / p).string();
}

InterfaceFunction LoadAdapter(const Options& o, common::SharedLibrary& library, std::string& loaded) {
  std::vector<std::string> candidates;
  if (!o.library.empty()) {
    candidates.push_back(o.library);
  } else {
    candidates.push_back((fs::current_path() / kLibrary).string());
    std::string programFolder = common::ProgramFolder();
    if (!programFolder.empty()) candidates.push_back((common::FilesystemPath(programFolder) / kLibrary).string());
    candidates.push_back(kLibrary);
  }
  std::string errors;
  for (const auto& c : candidates) {
    if (o.library.empty() && c != kLibrary && !common::FileExists(c)) continue;
    if (library.Open(c)) {
      loaded = c;
      void* symbol = library.Resolve("interface_function");
      if (!symbol) Fail(FailureClass::FileError, c + " has no export interface_function: " + library.Error());
      return reinterpret_cast<InterfaceFunction>(symbol);
    }
    errors += (errors.empty() ? "" : "; ") + library.Error();
  }
  Fail(FailureClass::FileNotFound, "cannot load the adapter library " + (o.library.empty() ? std::string(kLibrary) : o.library) + ": " + errors);
}

// The calculation's inputs against the networks' training ranges; the
// first-stage answer is the one the driver just left in "trashy.dat".
void WarnOutsideTrainingRanges(const std::vector<double>& inputs, std::ostream& err) {
  try {
    std::string trashy;
    double firstStage = 0;
    if (!common::ReadWholeFile("trashy.dat", trashy)) return;
    common::FreeFormatCursor cursor(trashy);
    cursor.SkipBlanksAndLineEnds();
    if (common::ParseFreeValue(cursor.TakeField(","), firstStage) != common::FreeValueStatus::Ok) return;
    std::vector<double> seen;
    for (double v : inputs) seen.push_back(DriverSees(v));
    ValidityDomain domain(ReadControlProjects(fs::current_path().string()));
    DomainReport report;
    report.Add(0, 0, domain.Check(seen, firstStage));
    report.Print(err, "pellmar-run", "calculation", 1);
  } catch (const common::Failure& f) {
    err << "pellmar-run: the training ranges cannot be checked: " << f.message << "\n";
  }
}

std::string Fixed(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

}  // namespace

std::vector<std::string> SeriesTitles(const std::string& folder) {
  std::vector<std::string> titles{"Network A output 1", "Network A output 2", "Network C output 1", "Network B output 1"};
  std::string control;
  if (!common::ReadWholeFile(Folder(folder, "Control.dat"), control)) return titles;
  std::vector<std::string> lines = Lines(control);
  if (lines.size() < 8) return titles;
  std::vector<std::string> a = OutputTitles(Folder(folder, common::PathFromSystemText(lines[1])));
  std::vector<std::string> c = OutputTitles(Folder(folder, common::PathFromSystemText(lines[5])));
  std::vector<std::string> b = OutputTitles(Folder(folder, common::PathFromSystemText(lines[3])));
  if (a.size() >= 1) titles[0] = a[0];
  if (a.size() >= 2) titles[1] = a[1];
  if (c.size() >= 1) titles[2] = c[0];
  if (b.size() >= 1) titles[3] = b[0];
  return titles;
}

int RunPellmar(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  if (std::find(args.begin(), args.end(), "--layout") != args.end()) {
    out << ColumnLayoutText();
    return 0;
  }
  for (const auto& a : args)
    if (a == "--help" || a == "-h") {
      out << kUsage << kLibrary << " in the working\n"
          << "               folder, beside pellmar-run, or on the library search path\n"
          << "--dir FOLDER   run in FOLDER (INPUTS and the chart are still named\n"
          << "               from the folder pellmar-run was started in)\n";
      return 0;
    }
  try {
    Options o = Parse(args);
    const fs::path started = fs::current_path();
    auto fromStart = [&](const std::string& p) { return common::FilesystemPath(p).is_absolute() ? p : (started / common::FilesystemPath(p)).string(); };
    if (!o.dir.empty()) {
      std::error_code ec;
      fs::current_path(common::FilesystemPath(fromStart(o.dir)), ec);
      if (ec) Fail(FailureClass::FileNotFound, "cannot enter the working folder " + o.dir + ": " + ec.message());
    }
    if (!o.realizations.empty()) {
      RealizationsRequest r;
      r.file = fromStart(o.realizations);
      r.out = o.out.empty() ? "" : fromStart(o.out);
      r.svg = o.svg.empty() ? "" : fromStart(o.svg);
      r.bands = o.bands.empty() ? "" : fromStart(o.bands);
      r.precision = o.precision.empty() ? "" : fromStart(o.precision);
      r.casesPerRun = o.casesPerRun;
      r.workers = o.workers;
      r.progress = o.progress;
      r.force = o.force;
      r.decimal = o.decimal;
      return RunRealizationsCommand(r, out, err, errIsTerminal);
    }
    const std::string inputsPath = fromStart(o.inputs);
    std::vector<double> inputs = ReadHostInputs(inputsPath, o.decimal);
    if (!o.svg.empty())
      RefuseToOverwrite(fromStart(o.svg), {{inputsPath, "the INPUTS file"}, {(fs::current_path() / "Control.dat").string(), "the control file"}},
                        o.force);
    {
      PrecisionReport precision;
      precision.Add(0, 0, PrecisionChanges(inputs));
      for (const std::string& line : precision.Lines(kHostInputCount, 1)) err << "pellmar-run: precision: " << line << "\n";
    }
    common::SharedLibrary library;
    std::string loaded;
    InterfaceFunction call = LoadAdapter(o, library, loaded);
    CheckWorkingFolder(fs::current_path().string());

    std::vector<double> in(static_cast<size_t>(kHostInputCount + 1), 0.0), result(kOutputs, std::numeric_limits<double>::quiet_NaN());
    int32_t status = -1;
    call(3, &status, in.data(), result.data());
    if (status != 0 || result[0] != kHostInputCount + 1 || result[1] != kOutputs)
      Fail(FailureClass::InvalidArgument, loaded + " answers method 3 with status " + std::to_string(status) + ", " + Fixed(result[0]) +
                                              " inputs and " + Fixed(result[1]) + " outputs; expected status 0, 511 and 400");

    in[0] = 1.0;  // the run flag
    for (int k = 0; k < kHostInputCount; ++k) in[static_cast<size_t>(k + 1)] = inputs[static_cast<size_t>(k)];
    std::fill(result.begin(), result.end(), std::numeric_limits<double>::quiet_NaN());
    status = -1;
    call(1, &status, in.data(), result.data());
    if (status != 0)
      throw common::Failure{FailureClass::FileError, "the calculation failed (status " + std::to_string(status) +
                                                         "): the messages above tell why; the working folder " + fs::current_path().string() +
                                                         " must hold Torvane, the engine library, Control.dat and the projects"};

    WarnOutsideTrainingRanges(inputs, err);
    std::vector<std::string> titles = SeriesTitles("");
    std::vector<std::vector<double>> series(kSeries, std::vector<double>(kSteps));
    std::vector<std::vector<double>> rows;
    for (int s = 0; s < kSteps; ++s) {
      std::vector<double> row{static_cast<double>(s + 1)};
      for (int i = 0; i < kSeries; ++i) {
        series[static_cast<size_t>(i)][static_cast<size_t>(s)] = result[static_cast<size_t>(i * kSteps + s)];
        row.push_back(result[static_cast<size_t>(i * kSteps + s)]);
      }
      rows.push_back(std::move(row));
    }
    std::vector<std::string> header{"Year"};
    header.insert(header.end(), titles.begin(), titles.end());
    if (o.csv) {
      out << FormatCsv(header, rows, "\n");
    } else {
      std::vector<size_t> width{6};
      for (const auto& t : titles) width.push_back(std::max<size_t>(t.size(), 12));
      for (size_t j = 0; j < header.size(); ++j)
        out << std::string(width[j] - std::min(width[j], header[j].size()), ' ') << header[j] << (j + 1 < header.size() ? "  " : "\n");
      for (const auto& row : rows) {
        for (size_t j = 0; j < row.size(); ++j) {
          std::string cell = j == 0 ? std::to_string(static_cast<int>(row[j])) : Fixed(row[j]);
          out << std::string(width[j] - std::min(width[j], cell.size()), ' ') << cell << (j + 1 < row.size() ? "  " : "\n");
        }
      }
    }
    if (!o.svg.empty()) {
      std::string svgPath = fromStart(o.svg);
      common::WriteFileReplacing(svgPath, SeriesChartSvg("Host calculation: four series of 100 steps", titles, series, header[0]));
      err << "pellmar-run: chart written to " << svgPath << "\n";
    }
    return 0;
  } catch (const UsageError& e) {
    err << "pellmar-run: " << e.message << " (see pellmar-run --help)\n";
    return 2;
  } catch (const common::Failure& f) {
    err << "pellmar-run: " << f.message << "\n";
    return 1;
  } catch (const fs::filesystem_error& e) {
    err << "pellmar-run: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace tools
