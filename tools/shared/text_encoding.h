#pragma once
// Titles come from 8-bit project files written in the Windows code page;
// charts are UTF-8.
#include <string>
#include <string_view>

namespace tools {

// True when bytes are well-formed UTF-8 (plain ASCII included).
bool IsUtf8(std::string_view bytes);

// bytes as UTF-8: kept when they already are, else read as Windows-1252
// (its five unassigned bytes become U+FFFD).
std::string ToUtf8(std::string_view bytes);

}  // namespace tools
