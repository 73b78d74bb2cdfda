#pragma once
// The tools' one option parser (CLI11), with their own wording for a usage
// error: "--svg needs a value", "unknown option --x". Options take their
// value as --name VALUE or --name=VALUE; every other argument is collected,
// in order, for the command to check.
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace tools {

// A wrong command line; the tool prints the message with a pointer to its
// --help and exits with 2.
struct UsageError {
  std::string message;
};

// Readies app for one command: no help of its own (each tool prints its
// usage text), unknown options kept for ParseCommandLine to name, the other
// arguments into positional.
void PrepareCommandLine(CLI::App& app, std::vector<std::string>& positional);

// Parses args (without the program's or the command's own name) or throws
// UsageError.
void ParseCommandLine(CLI::App& app, const std::vector<std::string>& args);

// A whole number in [lowest, largest] given as text to option name, or
// UsageError "NAME: expected LOWEST to LARGEST, found "TEXT"".
int WholeNumberOption(const std::string& name, const std::string& text, int lowest, int largest);

}  // namespace tools
