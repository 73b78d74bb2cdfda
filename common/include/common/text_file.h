#pragma once
// Whole-file reading and the replace-when-complete writing that every file a
// run produces goes through.
#include <string>
#include <string_view>

namespace common {

// Reads the whole file into out (bytes as they are). False when the file
// cannot be opened or read; out is then unspecified.
bool ReadWholeFile(const std::string& path, std::string& out);

// True when the file can be opened for reading (it is closed again at once).
bool FileExists(const std::string& path);

// Writes content to a temporary file in the same folder and renames it over
// path only when everything was written and closed, so path is always either
// the earlier complete file or the new complete one. Throws Failure
// (FileError) naming path and the reason; the temporary is removed then.
void WriteFileReplacing(const std::string& path, std::string_view content);

// The temporary WriteFileReplacing uses for path: path + ".tmp".
std::string TemporaryNameFor(const std::string& path);

}  // namespace common
