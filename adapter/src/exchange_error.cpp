#include "exchange_error.h"

#include <filesystem>
#include <system_error>

namespace pellmar {

std::string ExchangeDiagnostic(ExchangeError error, int unit, const std::string& path) {
  const char* message = "I/O error";
  switch (error) {
    case ExchangeError::None: message = "no error"; break;
    case ExchangeError::EndOfFile: message = "end-of-file during read"; break;
    case ExchangeError::CloseError: message = "CLOSE error"; break;
    case ExchangeError::WriteError: message = "error during write"; break;
    case ExchangeError::ReadError: message = "error during read"; break;
    case ExchangeError::SyntaxError: message = "list-directed I/O syntax error"; break;
    case ExchangeError::ConversionError: message = "input conversion error"; break;
  }
  return "severe (" + std::to_string(static_cast<int>(error)) + "): " + message + ", unit " + std::to_string(unit) +
         ", file " + path;
}

std::string ExchangeFilePath(const char* name) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(name, ec);
  return ec ? std::string(name) : absolute.string();
}

}  // namespace pellmar
