#pragma once
// The one error type of the driver and the engine: a class (which maps to
// the engine's status codes) and a message a person can act on.
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Values equal the engine's C API status codes.
enum class FailureClass : int32_t {
  FileNotFound = 1,
  EndOfFile = 2,
  TypeMismatch = 3,
  Overflow = 4,
  Subscript = 5,
  FloatingPoint = 6,
  FileError = 7,
  OutOfMemory = 8,
  InvalidArgument = 9,
};

// Short lower-case name used as the message prefix ("end of file", ...).
const char* FailureClassName(FailureClass cls);

struct Failure {
  FailureClass cls;
  std::string message;  // complete text, prefix included
  std::string file = {};  // the file at fault, when the message names one
  long line = 0;          // its line, 0 when none
};

// Throws Failure{cls, "<class name>: <what>"}.
[[noreturn]] void Fail(FailureClass cls, std::string_view what);

// Throws with the place appended: "<class name>: <what> (<file>, line <n>)".
// line <= 0 leaves the line out.
[[noreturn]] void FailAt(FailureClass cls, std::string_view what, std::string_view file, long line);

}  // namespace common
