#pragma once
// The tools never write over their own inputs or a network project's files
// unless told to (--force): a results table given the input's name would
// otherwise replace the cases it was computed from.
#include <string>
#include <vector>

namespace tools {

struct GuardedFile {
  std::string path;
  std::string what;  // "the input table", ...
};

// True when a and b name the same existing file (or the same path).
bool SameFile(const std::string& a, const std::string& b);

// Throws common::Failure (invalid argument) when output is one of guarded,
// or a project file: a name ending in a project suffix (.dat, .flg, .ndp,
// .net, .clu, .grn, .MinMax, .DLLFile, .MyTitles) beside a ".flg" or ".dat"
// file of the same stem. force lets it through.
void RefuseToOverwrite(const std::string& output, const std::vector<GuardedFile>& guarded, bool force);

// Names of the entries of folder other than those in allowed; empty when
// the folder is missing or holds nothing else.
std::vector<std::string> OtherEntries(const std::string& folder, const std::vector<std::string>& allowed);

}  // namespace tools
