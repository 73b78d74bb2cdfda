#pragma once
// The one temporary folder of every test, benchmark and test program: a new
// empty folder under the system's temporary folder, removed with everything
// in it when the object goes, and a guard that changes the current folder.
#include <string>

namespace testing_support {

class TempFolder {
 public:
  // "quenby-<tag>-<random>"; created exclusively, so parallel test programs
  // never share one.
  explicit TempFolder(const std::string& tag = "test");
  // Restores the owner's permissions first, so a test that made a folder
  // read-only still leaves nothing behind.
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // name inside the folder, joined with the platform's separator.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Changes the current folder for the lifetime of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::string previous_;
};

}  // namespace testing_support
