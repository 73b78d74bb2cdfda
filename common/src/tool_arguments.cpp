#include "common/tool_arguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "common/platform.h"

namespace common {

#ifdef _WIN32

namespace {

std::string Utf8Of(const wchar_t* wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), n, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

}  // namespace

std::vector<std::string> ArgumentsOfCommandLine(const wchar_t* commandLine) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(commandLine, &count);
  if (!wide) return args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8Of(wide[i]));
  LocalFree(wide);
  return args;
}

std::vector<std::string> ToolArguments(int argc, char** argv) {
  std::vector<std::string> args = ArgumentsOfCommandLine(GetCommandLineW());
  if (args.empty()) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  SetPathEncoding(PathEncoding::Utf8);
  args.erase(args.begin());
  return args;
}

#else

std::vector<std::string> ToolArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

#endif

}  // namespace common
