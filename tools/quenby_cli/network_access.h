#pragma once
// The engine as the subcommands use it: its C API calls turned into
// failures with the engine's message, and the compiled network described.
#include <cstdint>
#include <string>
#include <vector>

#include "quenby_network.h"

namespace tools {

// Throws common::Failure of the status's class, "WHAT: <engine's message>",
// unless status is QUENBY_OK.
void Check(int32_t status, const std::string& what);

std::string CompiledPath(const std::string& project);

// Compiles the project when its compiled file is missing.
void EnsureCompiled(const std::string& project);

// The compiled network as the engine states it, compiled first when missing.
quenby::NetworkDescription Describe(const std::string& project);

std::vector<std::string> TitlesOf(const std::vector<quenby::NetworkColumn>& columns);

}  // namespace tools
