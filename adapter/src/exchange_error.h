#pragma once
// The diagnostic of a failed exchange-file operation, worded as the host's
// people know it: "severe (24): end-of-file during read, unit 13, file <path>".
#include <string>

namespace pellmar {

inline constexpr int kInputVarsUnit = 12;
inline constexpr int kOutFileUnit = 13;

enum class ExchangeError {
  None = 0,
  EndOfFile = 24,
  CloseError = 28,
  WriteError = 38,
  ReadError = 39,
  SyntaxError = 59,
  ConversionError = 64,
};

// "severe (<n>): <message>, unit <unit>, file <path>".
std::string ExchangeDiagnostic(ExchangeError error, int unit, const std::string& path);

// path made absolute against the current folder, for diagnostics.
std::string ExchangeFilePath(const char* name);

}  // namespace pellmar
