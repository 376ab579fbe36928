#include "tools/zmkinfo/diff.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "plugin/fields.h"
#include "tools/zmkinfo/min_version.h"

namespace zmk {

namespace {

bool RUIDLess(const TRUID& a, const TRUID& b) {
  return a.first != b.first ? a.first < b.first : a.second < b.second;
}

bool RUIDEqual(const TRUID& a, const TRUID& b) {
  return a.first == b.first && a.second == b.second;
}

// The RUIDs of a dependency list as a set: by value, in order, once each.
std::vector<TRUID> RUIDSet(std::vector<TRUID> ruids) {
  std::sort(ruids.begin(), ruids.end(), RUIDLess);
  ruids.erase(std::unique(ruids.begin(), ruids.end(), RUIDEqual), ruids.end());
  return ruids;
}

// The same day as the plugin shows it; every invalid date is one "no date".
bool SameDay(double a, double b) {
  const HostDate x = DayCountToDate(a), y = DayCountToDate(b);
  return x.wYear == y.wYear && x.wMonth == y.wMonth && x.wDay == y.wDay;
}

}  // namespace

const char* MoveName(Move move) {
  switch (move) {
    case Move::kDowngraded: return "downgraded";
    case Move::kSameVersion: return "same_version";
    case Move::kUpgraded: return "upgraded";
  }
  return "";
}

DiffSide DiffSideOf(const std::vector<PackageFile>& files) {
  DiffSide side;
  const DeliveryIndex index = IndexDelivery(files);
  FileProblems(files, &side.problems);
  RUIDProblems(files, index, &side.problems);
  side.problems.erase(std::remove_if(side.problems.begin(), side.problems.end(),
                                     [](const Problem& p) {
                                       return p.kind == Problem::Kind::kMissing;
                                     }),
                      side.problems.end());
  SortProblems(files, &side.problems);
  side.standing.reserve(index.carriers.size());
  for (const auto& [key, carried_by] : index.carriers) side.standing.emplace(key, carried_by[0]);
  // Of several carriers the newest stands, by the order the check gives.
  for (const Problem& p : side.problems) {
    if (p.kind == Problem::Kind::kDuplicate) side.standing[RUIDKey(p.ruid)] = p.files[0];
  }
  side.packages = PackageCount(files);
  return side;
}

PackageChange CompareHeaders(const PackageFile& a, const PackageFile& b) {
  PackageChange c;
  c.ruid = b.ruid;
  auto mark = [&c](DiffField field, bool differs) {
    if (differs) c.fields |= field;
  };
  mark(kDiffName, a.name != b.name);
  mark(kDiffComment, a.comment != b.comment);
  mark(kDiffModified, !SameDay(a.modified, b.modified));
  mark(kDiffVersion, a.version != b.version);
  mark(kDiffFinal, (a.is_final != 0) != (b.is_final != 0));
  mark(kDiffMinExeVersion, TrimBlanks(a.min_exe_version) != TrimBlanks(b.min_exe_version));
  mark(kDiffMinDBVersion, TrimBlanks(a.min_db_version) != TrimBlanks(b.min_db_version));
  const std::vector<TRUID> before = RUIDSet(a.depends_on), after = RUIDSet(b.depends_on);
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(c.depends_added), RUIDLess);
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::back_inserter(c.depends_removed), RUIDLess);
  mark(kDiffDependsOn, !c.depends_added.empty() || !c.depends_removed.empty());
  c.move = b.version > a.version   ? Move::kUpgraded
           : b.version < a.version ? Move::kDowngraded
                                   : Move::kSameVersion;
  return c;
}

DeliveryDiff DiffDeliveries(const std::vector<PackageFile>& old_files,
                            const std::vector<PackageFile>& new_files) {
  DeliveryDiff d;
  d.old_side = DiffSideOf(old_files);
  d.new_side = DiffSideOf(new_files);
  for (const auto& [key, o] : d.old_side.standing) {
    const auto match = d.new_side.standing.find(key);
    if (match == d.new_side.standing.end()) {
      d.removed.push_back(o);
      continue;
    }
    PackageChange c = CompareHeaders(old_files[o], new_files[match->second]);
    if (c.fields == 0) {
      ++d.unchanged;
      continue;
    }
    c.old_file = o;
    c.new_file = match->second;
    d.changed.push_back(std::move(c));
  }
  for (const auto& [key, n] : d.new_side.standing) {
    if (!d.old_side.standing.count(key)) d.added.push_back(n);
  }
  auto by_ruid = [](const std::vector<PackageFile>& files) {
    return [&files](std::size_t a, std::size_t b) { return RUIDLess(files[a].ruid, files[b].ruid); };
  };
  std::sort(d.added.begin(), d.added.end(), by_ruid(new_files));
  std::sort(d.removed.begin(), d.removed.end(), by_ruid(old_files));
  std::sort(d.changed.begin(), d.changed.end(), [](const PackageChange& a, const PackageChange& b) {
    return a.move != b.move ? a.move < b.move : RUIDLess(a.ruid, b.ruid);
  });
  return d;
}

}  // namespace zmk
