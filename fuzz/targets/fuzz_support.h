#pragma once
// What every fuzz target shares: a scratch folder of its own process, and
// the rule that an input ends either in a result or in one of the engine's
// failure classes with a message. Anything else is a finding: abort().
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/failure.h"
#include "quenby.h"
#include "testing/temp_folder.h"

namespace fuzz {

// A fresh folder for this process, removed when it ends normally.
inline const std::string& Scratch() {
  static const testing_support::TempFolder folder("fuzz");
  return folder.Path();
}

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

[[noreturn]] inline void Finding(const std::string& what) {
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

// A C API status: OK, or a class with a message that is not an unexpected
// exception's.
inline void CheckStatus(int32_t status, const char* call) {
  if (status == QUENBY_OK) return;
  const std::string message = QuenbyLastError();
  if (status < QUENBY_FILE_NOT_FOUND || status > QUENBY_INVALID_ARGUMENT)
    Finding(std::string(call) + ": status " + std::to_string(status));
  if (message.empty()) Finding(std::string(call) + ": failure without a message");
  if (message.rfind("internal error", 0) == 0) Finding(std::string(call) + ": " + message);
}

// A failure thrown inside the driver or the engine.
inline void CheckFailure(const common::Failure& f) {
  if (static_cast<int>(f.cls) < 1 || static_cast<int>(f.cls) > 9) Finding("failure of no class: " + f.message);
  if (f.message.empty()) Finding("failure without a message");
}

// Applies both methods to a table wide enough for any input count; every
// result must be finite.
inline void EvaluateBoth(const std::string& project) {
  double cells[4 * 13];
  for (int i = 0; i < 4 * 13; ++i) cells[i] = std::fmod(i * 1.75, 9.0) - 2;
  const QuenbyTable in{cells, 0, 3, 0, 12};
  for (const char* method : {"Back Prop", "GRNN"}) {
    QuenbyTable out{};
    int32_t status = ApplyNNet(method, project.c_str(), &in, &out);
    CheckStatus(status, method);
    if (status != QUENBY_OK) continue;
    const long cells_out = static_cast<long>(out.row_upper - out.row_lower + 1) * (out.col_upper - out.col_lower + 1);
    for (long i = 0; i < cells_out; ++i)
      if (!std::isfinite(out.data[i]))
        Finding(std::string(method) + ": result cell " + std::to_string(i) + " is not finite");
    QuenbyFreeTable(&out);
  }
}

}  // namespace fuzz
