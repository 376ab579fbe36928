// zmkinfo check: a delivery of setting packages as a whole. Which
// dependencies no package meets, which RUID several packages carry, which
// packages depend on each other in a circle, and in what order to import
// them so that each comes after every package it depends on.
#ifndef ZMK_TOOLS_ZMKINFO_CHECK_H_
#define ZMK_TOOLS_ZMKINFO_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "header/ruid.h"

namespace zmk {

// One file of a delivery, as the header reader found it.
struct PackageFile {
  enum class State { kWhole, kNotZMK, kDamaged, kUnreadable };

  std::string path;  // as given, or as found under the folder given
  State state = State::kWhole;
  std::string error;  // kUnreadable: the system's text
  // What a whole header holds.
  TRUID ruid{0, 0};
  std::string name;  // Windows-1251
  double modified = 0.0;
  std::int32_t version = 0;
  std::vector<TRUID> depends_on;  // by value, "no RUID" entries left out
};

// Reads one file with the header reader; never throws for the file's sake.
PackageFile ReadPackage(const std::string& path);

// The files named by `paths`: each file as it is, each folder walked
// recursively for names ending in ".zmk" in any case, links to folders not
// followed. An entry that cannot be read is a file of state kUnreadable.
std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths);

struct Problem {
  // In the order problems are reported.
  enum class Kind { kMissing, kDuplicate, kCycle, kNotZMK, kDamaged, kUnreadable };

  Kind kind;
  TRUID ruid{0, 0};                // kMissing, kDuplicate
  std::vector<std::size_t> files;  // indexes: by path, but kDuplicate newest first
};

struct CheckResult {
  std::vector<Problem> problems;   // by kind, then by RUID or path
  std::vector<std::size_t> order;  // every whole file, dependencies first
};

// Linear in files plus dependencies, but for sorting.
CheckResult CheckDelivery(const std::vector<PackageFile>& files);

const char* KindName(Problem::Kind kind);  // "missing", "duplicate", ...

// The report: for scripts, one JSON object; for people, the problems and
// then the order, names in UTF-8, control characters escaped.
std::string CheckJson(const std::vector<PackageFile>& files, const CheckResult& result);
std::string CheckText(const std::vector<PackageFile>& files, const CheckResult& result);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_CHECK_H_
