#include "command_line.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"

namespace tools {

void PrepareCommandLine(CLI::App& app, std::vector<std::string>& positional) {
  app.set_help_flag();
  app.allow_extras();
  // "/path" is a path on every platform, never a Windows-style option.
  app.allow_windows_style_options(false);
  // Given twice, the last value counts.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("arguments", positional)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void ParseCommandLine(CLI::App& app, const std::vector<std::string>& args) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& e) {
    // "--svg: 1 required TEXT missing": the option is named before the colon.
    const std::string what = e.what();
    throw UsageError{what.substr(0, what.find(':')) + " needs a value"};
  } catch (const CLI::ParseError& e) {
    throw UsageError{e.what()};
  }
  for (const std::string& a : app.remaining())
    if (a.size() > 1 && a[0] == '-') throw UsageError{"unknown option " + a};
}

int WholeNumberOption(const std::string& name, const std::string& text, int lowest, int largest) {
  double n = 0;
  if (!common::ParseNumber(text, n) || n < lowest || n > largest || n != std::floor(n))
    throw UsageError{name + ": expected " + std::to_string(lowest) + " to " + std::to_string(largest) + ", found \"" + text + "\""};
  return static_cast<int>(n);
}

}  // namespace tools
