// The general regression section checked at loading and converted on first
// use must be indistinguishable from the section converted as it is read.
// The fuzzed bytes are two compiled files, A and B, split at the first NUL
// byte (without one, B is A). The same calls run twice, once with deferred
// sections and once converting as the file is read, from a fresh state:
//   "Back Prop" on A, "Back Prop" on B, "GRNN" on B, "GRNN" on A,
// then "Back Prop" on B and "GRNN" on B again: the later calls see whatever
// an earlier load left, as a file without a section keeps the earlier
// tables. Every status, message and result cell, and every general
// regression field after the last "Back Prop" load (its section converted
// from the file; a "GRNN" call converts as it loads) and at the end, must
// be the same.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/failure.h"
#include "compiled_file.h"
#include "fuzz_support.h"
#include "loaded_network.h"
#include "quenby.h"

namespace {

void AddBytes(std::string& d, const void* p, size_t bytes) { d.append(static_cast<const char*>(p), bytes); }

template <class Table>
void AddTable(std::string& d, const Table& t) {
  const int64_t rows = t.Upper1() + 1, cols = t.Upper2() + 1;
  AddBytes(d, &rows, sizeof rows);
  AddBytes(d, &cols, sizeof cols);
  AddBytes(d, t.data(), static_cast<size_t>(rows * cols) * sizeof(double));
}

// Status, message and result cells of one call.
void Call(std::string& transcript, const char* method, const std::string& project) {
  double cells[4 * 13];
  for (int i = 0; i < 4 * 13; ++i) cells[i] = (i % 9) * 0.375 - 1.5;
  const QuenbyTable in{cells, 0, 3, 0, 12};
  QuenbyTable out{};
  const int32_t status = ApplyNNet(method, project.c_str(), &in, &out);
  fuzz::CheckStatus(status, method);
  transcript += std::string(method) + " " + std::to_string(status) + " " + QuenbyLastError() + "\n";
  if (status == QUENBY_OK) {
    const size_t n = static_cast<size_t>(out.row_upper - out.row_lower + 1) * (out.col_upper - out.col_lower + 1);
    AddBytes(transcript, out.data, n * sizeof(double));
    QuenbyFreeTable(&out);
  }
}

// Every general regression field, converted first where a load deferred
// it (a "GRNN" call converts as it loads).
void Digest(std::string& t) {
  try {
    quenby::ConvertPendingGrnnSection();
  } catch (const common::Failure& f) {
    t += "conversion failed: " + f.message + "\n";
  }
  const quenby::LoadedNetwork& n = quenby::Net();
  t += n.GrnnCalibration + "\n";
  AddBytes(t, &n.GrnnSmoothing, sizeof n.GrnnSmoothing);
  AddBytes(t, &n.TrainingCount, sizeof n.TrainingCount);
  AddTable(t, n.GeneticSmoothing);
  AddTable(t, n.TrainingInputs);
  AddTable(t, n.TrainingOutputs);
}

std::string Run(bool defer, const std::string& a, const std::string& b) {
  quenby::DeferGrnnSections(defer);
  quenby::ResetLoadedNetwork();
  std::string t;
  Call(t, "Back Prop", a);
  Call(t, "Back Prop", b);
  Call(t, "GRNN", b);
  Call(t, "GRNN", a);
  Call(t, "Back Prop", b);
  Digest(t);  // B's section as a "Back Prop" load left it
  Call(t, "GRNN", b);
  Digest(t);
  quenby::DeferGrnnSections(true);
  return t;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string a = fuzz::Scratch() + "/a";
  static const std::string b = fuzz::Scratch() + "/b";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find('\0');
  const std::string_view first = bytes.substr(0, split);
  const std::string_view second = split == std::string_view::npos ? first : bytes.substr(split + 1);
  fuzz::WriteBytes(a + ".DLLFile", reinterpret_cast<const uint8_t*>(first.data()), first.size());
  fuzz::WriteBytes(b + ".DLLFile", reinterpret_cast<const uint8_t*>(second.data()), second.size());
  if (Run(true, a, b) != Run(false, a, b)) fuzz::Finding("a deferred section and one converted as read differ");
  return 0;
}
