#include "temp_folder.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace testing_support {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& tag) {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("quenby-" + tag + "-" + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempFolder::File(const std::string& name) const { return (fs::path(path_) / name).string(); }

CurrentFolder::CurrentFolder(const std::string& folder) : previous_(fs::current_path().string()) {
  fs::current_path(folder);
}

CurrentFolder::~CurrentFolder() {
  std::error_code ec;
  fs::current_path(previous_, ec);
}

}  // namespace testing_support
