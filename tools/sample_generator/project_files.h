#pragma once
// The training program's project files, rendered from a trained project:
// ".dat", ".flg", ".ndp", ".MinMax", ".clu", ".net" and ".grn", and the
// check tables a modeller compares the engine against.
#include <string>
#include <string_view>
#include <vector>

#include "common/number_text.h"
#include "trained_project.h"

namespace samples {

struct GeneratedFile {
  std::string path;  // relative to the output folder, "/" separated
  std::string text;
};

// Text of a project file: every line ends in CR LF.
struct TextLines {
  std::string text;
  void Add(std::string_view s) {
    text += s;
    text += "\r\n";
  }
  void Number(double v) { Add(common::GeneralNumber(v)); }
  void Integer(long v) { Add(std::to_string(v)); }
};

// "projects/NAME": the project path Control.dat names.
std::string ProjectPath(const Project& p);

GeneratedFile DataFile(const Project& p);
GeneratedFile FlagFile(const Project& p);
GeneratedFile DesignFile(const Project& p);
GeneratedFile RangeFile(const Project& p);
GeneratedFile ClusterFile(const Project& p);
GeneratedFile NetFile(const Project& p);
GeneratedFile GrnnFile(const Project& p);

// checks/NAME.inputs.csv and the predictions for those cases
// (checks/NAME.backprop.csv, and checks/NAME.grnn.csv with a ".grn" file).
void CheckFiles(const Project& p, std::vector<GeneratedFile>& files);

}  // namespace samples
