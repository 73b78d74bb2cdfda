#pragma once
// One generated sample set per test program, in a temporary folder that is
// removed when the program ends.
#include <string>

namespace tools::testing {

// The tests check files and the engine's agreement, not the fit: a tenth of
// the training keeps each test program quick (under Wine too).
inline constexpr int kTestEffort = 10;

// The folder holding the sample set (generated on first use).
const std::string& SampleFolder();

// A fresh, empty temporary folder named after tag, removed at exit.
std::string FreshFolder(const std::string& tag);

// Absolute path of a file of the sample set ("projects/Arrival").
std::string Sample(const std::string& relative);

std::string ReadText(const std::string& path);

}  // namespace tools::testing
