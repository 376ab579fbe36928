// zmkinfo diff: what changed between two deliveries of setting packages.
// Packages are matched by RUID value; for each RUID, what was added, what
// was removed, and which header fields changed.
//
// The steps take the packages as values, as the check's do (check.h):
//   side     DiffSideOf: one delivery's problems and the package standing
//            for each RUID (the newest, when several carry it)
//   compare  CompareHeaders: which fields of two headers differ
//   match    DiffDeliveries: both sides, matched by RUID
#ifndef ZMK_TOOLS_ZMKINFO_DIFF_H_
#define ZMK_TOOLS_ZMKINFO_DIFF_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "header/ruid.h"
#include "tools/zmkinfo/check.h"

namespace zmk {

// One delivery as a diff sees it.
struct DiffSide {
  // Problems of single files and duplicate RUIDs, as the check reports
  // them; missing RUIDs and cycles are no concern of a diff.
  std::vector<Problem> problems;
  std::size_t packages = 0;  // files, as the check counts them
  // RUIDKey -> the whole file standing for that RUID.
  std::unordered_map<std::uint64_t, std::size_t> standing;
};
DiffSide DiffSideOf(const std::vector<PackageFile>& files);

// The header fields compared, as bits of PackageChange::fields.
enum DiffField : unsigned {
  kDiffName = 1u << 0,
  kDiffComment = 1u << 1,
  kDiffModified = 1u << 2,
  kDiffVersion = 1u << 3,
  kDiffFinal = 1u << 4,
  kDiffDependsOn = 1u << 5,
  kDiffMinExeVersion = 1u << 6,
  kDiffMinDBVersion = 1u << 7,
};

// In the order changed packages are reported.
enum class Move { kDowngraded, kSameVersion, kUpgraded };
const char* MoveName(Move move);  // "downgraded", "same_version", "upgraded"

struct PackageChange {
  TRUID ruid{0, 0};
  std::size_t old_file = 0, new_file = 0;
  Move move = Move::kSameVersion;
  unsigned fields = 0;  // DiffField bits; none when the headers are alike
  std::vector<TRUID> depends_added, depends_removed;  // by RUID value
};

// Which fields differ between two whole headers, each compared as a host
// shows it: name and comment byte for byte, the date by day (every invalid
// date the same), the final flag as yes or no, dependencies as a set of
// RUID values, minimum versions without spaces and tabs at either end.
PackageChange CompareHeaders(const PackageFile& old_file, const PackageFile& new_file);

struct DeliveryDiff {
  DiffSide old_side, new_side;
  std::vector<std::size_t> added;    // files of the new side, by RUID
  std::vector<std::size_t> removed;  // files of the old side, by RUID
  std::vector<PackageChange> changed;  // by move, then by RUID
  std::size_t unchanged = 0;
  bool Same() const { return added.empty() && removed.empty() && changed.empty(); }
};

// Both sides and what differs between them. Linear in files plus
// dependencies, but for sorting.
DeliveryDiff DiffDeliveries(const std::vector<PackageFile>& old_files,
                            const std::vector<PackageFile>& new_files);

// The report: for people, one block per package and then the counts; for
// scripts, one JSON object.
std::string DiffText(const std::vector<PackageFile>& old_files,
                     const std::vector<PackageFile>& new_files, const DeliveryDiff& diff);
std::string DiffJson(const std::vector<PackageFile>& old_files,
                     const std::vector<PackageFile>& new_files, const DeliveryDiff& diff);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_DIFF_H_
