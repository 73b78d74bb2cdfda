// A general regression section is checked at loading and converted on its
// first use. Whatever the text, that must be indistinguishable from the
// sequential loader, which converts every field as it reads it: the same
// failure (class, message, line) in the same place, the same tables after
// the conversion, the same tables kept by later loads.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/number_text.h"
#include "compiled_file.h"
#include "dllfile_fixture.h"
#include "field_reader.h"
#include "loaded_network.h"
#include "number_line_scan.h"
#include "quenby.h"

namespace quenby {
namespace {

using common::Failure;

// The fixture without networks (one input, one output) up to its last line.
std::string Head() {
  const std::string none = dllfile::FixtureText("no_network.DLLFile");
  return none.substr(0, none.size() - std::string("No GRNN\r\n").size());
}

// Value lines in the writer's form, drawn from the seed.
std::vector<std::string> ValueLines(size_t count, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-2.0, 2.0);
  std::vector<std::string> lines;
  for (size_t i = 0; i < count; ++i) {
    std::string line;
    common::AppendNumberItem(line, i % 7 == 3 ? std::round(u(rng) * 100) : u(rng) / (1 + i % 5));
    lines.push_back(line);
  }
  return lines;
}

std::string Section(bool genetic, int patterns, const std::vector<std::string>& values, const char* lineEnd = "\r\n") {
  std::string s = Head() + "GRNN Info\r\n" + (genetic ? "Genetic\r\n " + std::to_string(patterns) + " \r\n"
                                                      : "Holdout\r\n 0.3  " + std::to_string(patterns) + " \r\n");
  for (const std::string& v : values) s += v + lineEnd;
  return s;
}

// Everything a load can leave in the general regression fields.
std::string Digest() {
  ConvertPendingGrnnSection();
  const LoadedNetwork& n = Net();
  std::string d = n.GrnnCalibration + " " + std::to_string(n.TrainingCount) + " " + common::GeneralNumber(n.GrnnSmoothing);
  for (const Array2<double>* t : {&n.GeneticSmoothing, &n.TrainingInputs, &n.TrainingOutputs}) {
    d += " (" + std::to_string(t->Upper1()) + "," + std::to_string(t->Upper2()) + ")";
    d.append(reinterpret_cast<const char*>(t->data()),
             static_cast<size_t>((t->Upper1() + 1) * (t->Upper2() + 1)) * sizeof(double));
  }
  return d;
}

// Loads the texts one after the other (the deferred way or the sequential
// one), each from memory or from a file read in pieces of pieceBytes (0:
// memory), and reports how each load ended and what the last one left.
std::string LoadAll(bool defer, const std::vector<std::string>& texts, const dllfile::Folder& folder,
                    size_t pieceBytes) {
  const bool earlier = DeferGrnnSections(defer);
  ResetLoadedNetwork();
  std::string outcome;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string& text = texts[i];
    try {
      if (pieceBytes == 0) {
        LoadNetworkText(text, "net.DLLFile");
      } else {
        // One file each: a pending section is read again from its file.
        Net().ProjectPath = folder.WithDllFile("net" + std::to_string(i), text);
        LoadNetworkFile(pieceBytes);
      }
      outcome += "loaded\n";
    } catch (const Failure& f) {
      outcome += std::to_string(static_cast<int>(f.cls)) + " " + f.message + "\n";
    }
  }
  outcome += Digest();
  DeferGrnnSections(earlier);
  return outcome;
}

void ExpectSameAsSequential(const std::vector<std::string>& texts, const dllfile::Folder& folder) {
  for (size_t piece : {size_t{0}, size_t{7}, size_t{1} << 16}) {
    const std::string want = LoadAll(false, texts, folder, piece);
    const std::string got = LoadAll(true, texts, folder, piece);
    EXPECT_EQ(got, want) << "pieces of " << piece << " bytes (0: from memory)";
  }
}

// Each odd line in each place of a section, after a pending section of
// other counts: first and last value, a block's edge, the count line, the
// file's end.
TEST(GrnnDeferral, EveryDamageFailsAsTheSequentialLoaderAtTheSectionsEdges) {
  dllfile::Folder folder;
  const std::string digits130(130, '7');
  const std::string digits400 = " " + std::string(400, '9');
  const std::vector<std::string> odd = {"x", " 1.5E-07 ", "1.", " .5", "--1", " 1.2.3 ", "- 5", " 1 2", "", "\t0.5",
                                        " 0.5\r 0.25", " " + digits130, digits400, " +5 ", "0.5", " 0.5  ", "-0 ",
                                        " 1,", " 9007199254740993123 ", " 1e400", " 0.5\n"};
  const std::string earlier = Section(true, 3, ValueLines(9, 1));
  for (bool genetic : {false, true}) {
    const int patterns = 150;
    const size_t count = static_cast<size_t>(patterns) * (genetic ? 3 : 2);
    const std::vector<std::string> values = ValueLines(count, 2);
    for (const std::string& line : odd) {
      for (size_t at : {size_t{0}, size_t{1}, size_t{5}, count / 2, count - 1}) {
        std::vector<std::string> v = values;
        v[at] = line;
        SCOPED_TRACE("\"" + line + "\" at value " + std::to_string(at) + (genetic ? ", genetic" : ", holdout"));
        ExpectSameAsSequential({earlier, Section(genetic, patterns, v)}, folder);
        if (HasFailure()) return;
      }
    }
    // The count line: damaged, promising more than the file holds, holding
    // the first value; the last line without its line end, or missing; more
    // after the last value.
    const std::string intact = Section(genetic, patterns, values);
    const std::string countLine = genetic ? " 150 \r\n" : " 0.3  150 \r\n";
    const std::string bodyOnly = intact.substr(intact.find(countLine) + countLine.size());
    const std::string beforeCount = intact.substr(0, intact.find(countLine));
    const std::vector<std::string> variants = {
        intact,
        beforeCount + (genetic ? " 15O \r\n" : " 0.3  15O \r\n") + bodyOnly,
        beforeCount + (genetic ? " 150000 \r\n" : " 0.3  150000 \r\n") + bodyOnly,
        beforeCount + countLine.substr(0, countLine.size() - 2) + bodyOnly,
        intact.substr(0, intact.size() - 2),
        intact.substr(0, intact.size() - values.back().size() - 2),
        intact + " junk \r\n\r\n",
        Section(genetic, patterns, values, "\n"),
        Section(genetic, patterns, values, "\r"),
        Section(genetic, 0, {}),
    };
    for (size_t i = 0; i < variants.size(); ++i) {
      SCOPED_TRACE("variant " + std::to_string(i) + (genetic ? ", genetic" : ", holdout"));
      ExpectSameAsSequential({earlier, variants[i]}, folder);
      ExpectSameAsSequential({variants[i]}, folder);
    }
  }
}

// Later loads in the same process: a file without a section keeps the
// earlier tables, still unconverted; a "Holdout" section keeps an earlier
// "Genetic" section's factors; a damaged section keeps the earlier tables
// it does not reach.
TEST(GrnnDeferral, LaterLoadsKeepWhatTheSequentialLoaderKeeps) {
  dllfile::Folder folder;
  const std::string none = dllfile::FixtureText("no_network.DLLFile");
  const std::string genetic = Section(true, 4, ValueLines(12, 3));
  const std::string holdout = Section(false, 5, ValueLines(10, 4));
  std::vector<std::string> damagedGenetic = ValueLines(12, 5);
  damagedGenetic[2] = "x";  // within the factors: the training tables are the earlier ones
  const std::vector<std::vector<std::string>> sequences = {
      {genetic, none},
      {genetic, holdout},
      {genetic, holdout, none},
      {holdout, Section(true, 4, damagedGenetic)},
      {genetic, Section(true, 4, damagedGenetic)},
      {genetic, none, Section(false, 5, {" 1 ", "x"})},
  };
  for (size_t i = 0; i < sequences.size(); ++i) {
    SCOPED_TRACE("sequence " + std::to_string(i));
    ExpectSameAsSequential(sequences[i], folder);
  }

  // Through the C API: "Back Prop" loads without converting, a later "GRNN"
  // call on a file without a section evaluates the earlier patterns.
  const std::string a = folder.WithDllFile("a", holdout);
  const std::string b = folder.WithDllFile("b", none);
  auto calls = [&](bool defer) {
    const bool earlier = DeferGrnnSections(defer);
    ResetLoadedNetwork();
    std::vector<double> cells = {0, 0, 0, 0.25, 0, 1.5};
    const QuenbyTable in{cells.data(), 0, 2, 0, 1};
    std::string transcript;
    for (const auto& [method, project] : {std::pair{"Back Prop", a}, {"Back Prop", b}, {"GRNN", b}, {"GRNN", a}}) {
      QuenbyTable out{};
      const int32_t status = ApplyNNet(method, project.c_str(), &in, &out);
      transcript += std::to_string(status);
      transcript += QuenbyLastError();
      for (int i = 0; i < 2; ++i) transcript += common::GeneralNumber(out.data ? out.data[i] : -1);
      QuenbyFreeTable(&out);
    }
    DeferGrnnSections(earlier);
    return transcript;
  };
  EXPECT_EQ(calls(true), calls(false));
}

// A section is not kept but read again from its file on first use: a file
// rewritten in place (the same size and time, another byte), removed, or
// replaced under its name between the load and the conversion fails the
// conversion with a file error naming it, and every later use of the lost
// tables fails the same way until the file is loaded again.
TEST(GrnnDeferral, AFileChangedBeforeItsSectionIsUsedFailsNamingIt) {
  dllfile::Folder folder;
  const std::string holdout = Section(false, 5, ValueLines(10, 4));
  std::string altered = holdout;
  altered[altered.size() - 4] = altered[altered.size() - 4] == '1' ? '2' : '1';  // a digit of the last value
  auto conversion = [] {
    try {
      ConvertPendingGrnnSection();
      return std::string("converted");
    } catch (const Failure& f) {
      return std::to_string(static_cast<int>(f.cls)) + " " + f.message;
    }
  };
  namespace fs = std::filesystem;
  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> changes = {
      {"rewritten in place, time kept",
       [&](const std::string& file) {
         const fs::file_time_type written = fs::last_write_time(file);
         dllfile::WriteBytes(file, altered);
         fs::last_write_time(file, written);
       }},
      {"removed", [&](const std::string& file) { fs::remove(file); }},
      {"replaced under its name",
       [&](const std::string& file) {
         dllfile::WriteBytes(file + ".new", holdout);
         fs::rename(file + ".new", file);
       }},
  };
  for (const auto& [what, change] : changes) {
    SCOPED_TRACE(what);
    ResetLoadedNetwork();
    Net().ProjectPath = folder.WithDllFile("a", holdout);
    LoadNetworkFile();
    change(Net().ProjectPath + ".DLLFile");
    const std::string failure = conversion();
    EXPECT_EQ(failure, std::to_string(static_cast<int>(common::FailureClass::FileError)) + " file error: the compiled file " +
                           Net().ProjectPath + ".DLLFile changed after it was loaded; apply the network again");
    EXPECT_EQ(conversion(), failure);
  }
  // Loaded again, the tables are the file's as it now stands.
  const std::vector<std::string> texts = {altered};
  EXPECT_EQ(LoadAll(true, texts, folder, size_t{1} << 16), LoadAll(false, texts, folder, size_t{1} << 16));
}

// The bulk check vouches only for lines that reading field by field reads
// as one number each, ending where the reading ends, and takes the writer's
// lines whole.
TEST(GrnnDeferral, SkippingNumbersEndsWhereReadingThemEnds) {
  static const char* const kLines[] = {" 0.5 ", "-12.25 ", " 7", "-0", " 1.5E-07 ", "", " 1 2", "x", " 1.", " .5",
                                       " 1.2.3", "\t3", " 4,", "5", " 6  ", " 12345678901234567890123"};
  static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\r\n", "\n", "\r", " \r\n"};
  std::mt19937 rng(14);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int lines = 1 + static_cast<int>(rng() % 300);
    for (int i = 0; i < lines; ++i) {
      // Mostly the writer's lines, so that the check meets long runs.
      text += rng() % 8 != 0 ? std::string(" 0.") + std::to_string(rng() % 100000) : kLines[rng() % std::size(kLines)];
      text += kEnds[rng() % std::size(kEnds)];
    }
    const int64_t count = 1 + static_cast<int64_t>(rng() % static_cast<unsigned>(lines + 3));
    SCOPED_TRACE("text \"" + text + "\", " + std::to_string(count) + " numbers");
    auto after = [&](bool skip) {
      FieldReader in(text, "n.DLLFile");
      std::string r;
      try {
        if (skip) {
          in.SkipDoubles(count, "a number");
        } else {
          for (int64_t i = 0; i < count; ++i) in.ReadDouble("a number");
        }
        r = "line " + std::to_string(in.Line()) + ": " + std::string(in.AtEnd() ? "" : in.ReadLine("rest"));
      } catch (const Failure& f) {
        r = f.message;
      }
      return r;
    };
    EXPECT_EQ(after(true), after(false));
    if (HasFailure()) return;
  }
  std::string written;
  for (const std::string& line : ValueLines(5000, 6)) written += line + "\r\n";
  const NumberLineScan scan = ScanNumberLines(written.data(), written.size(), 0, 6000);
  EXPECT_EQ(scan.lines, 5000);
  EXPECT_EQ(scan.end, written.size());
}

}  // namespace
}  // namespace quenby
