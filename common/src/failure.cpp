#include "common/failure.h"

namespace common {

const char* FailureClassName(FailureClass cls) {
  switch (cls) {
    case FailureClass::FileNotFound: return "file not found";
    case FailureClass::EndOfFile: return "end of file";
    case FailureClass::TypeMismatch: return "type mismatch";
    case FailureClass::Overflow: return "overflow";
    case FailureClass::Subscript: return "subscript out of range";
    case FailureClass::FloatingPoint: return "floating-point error";
    case FailureClass::FileError: return "file error";
    case FailureClass::OutOfMemory: return "out of memory";
    case FailureClass::InvalidArgument: return "invalid argument";
  }
  return "error";
}

namespace {
std::string Prefixed(FailureClass cls, std::string_view what) {
  std::string text = FailureClassName(cls);
  text += ": ";
  text += what;
  return text;
}
}  // namespace

void Fail(FailureClass cls, std::string_view what) { throw Failure{cls, Prefixed(cls, what)}; }

void FailAt(FailureClass cls, std::string_view what, std::string_view file, long line) {
  std::string text(what);
  text += " (";
  text += file;
  if (line > 0) {
    text += ", line ";
    text += std::to_string(line);
  }
  text += ")";
  throw Failure{cls, Prefixed(cls, text), std::string(file), line > 0 ? line : 0};
}

}  // namespace common
