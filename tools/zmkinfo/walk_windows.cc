// The walk of a delivery on Windows, through std::filesystem: its
// iterator keeps one directory handle per level and no recursion. A file
// reached twice is known by its full name (links are rare there).
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "tools/zmkinfo/check.h"

namespace zmk {

namespace {

namespace fs = std::filesystem;

std::string Identity(const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::weakly_canonical(path, ec);
  return (ec ? path : full).string();
}

}  // namespace

std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths) {
  std::vector<PackageFile> files;
  std::set<std::string> seen;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!fs::is_directory(fs::status(path, ec))) {
      if (seen.insert(Identity(path)).second) files.push_back(ReadPackage(path));
      continue;
    }
    std::size_t found = 0;
    fs::recursive_directory_iterator it(path, ec);
    if (ec) {
      files.push_back(Unreadable(path, ec.message()));
      continue;
    }
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
      const fs::directory_entry& entry = *it;
      if (entry.is_directory(ec) || !IsZMKName(entry.path().filename().string().c_str())) continue;
      ++found;
      if (seen.insert(Identity(entry.path())).second) {
        files.push_back(ReadPackage(entry.path().string()));
      }
    }
    if (ec) files.push_back(Unreadable(path, ec.message()));
    if (found == 0 && !ec) {
      PackageFile none;
      none.path = path;
      none.state = PackageFile::State::kNoPackages;
      files.push_back(none);
    }
  }
  return files;
}

}  // namespace zmk
