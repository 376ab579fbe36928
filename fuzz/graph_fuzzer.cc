// The delivery check's graph on deliveries built in memory: up to 32
// packages whose RUIDs, paths, versions and dates come from small sets, so
// that duplicates, missing RUIDs, self-dependencies, cycles and equal paths
// are common. What CheckDelivery finds is held against a slow, obviously
// right reference: reachability between packages by Floyd–Warshall.
#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/zmkinfo/check.h"

namespace {

using zmk::PackageFile;
using zmk::Problem;
using zmk::TRUID;
using State = PackageFile::State;

constexpr std::size_t kMaxPackages = 32;

// Pairs that differ in one number only, and numbers past 16 bits, so that
// "by value" means both numbers.
const TRUID kRUIDs[] = {
    {1, 1}, {1, 2}, {2, 1}, {7, 7}, {65536, 1}, {1, 65536}, {2147483647, 2147483647}, {3, 3}};
const char* const kPaths[] = {"a.zmk", "b.zmk", "B.zmk", "a/b.zmk", "", "c.ZMK"};
const std::int32_t kVersions[] = {0, 1, -1};
struct Date {
  double day_count;
  bool valid;  // a date the module can show, years 1 to 65535
};
const Date kDates[] = {
    {46000.0, true},
    {46000.5, true},
    {-693593.0, true},
    {-693594.0, false},
    {0.0, true},
    {23242573.0, false},
    {std::numeric_limits<double>::quiet_NaN(), false},
    {std::numeric_limits<double>::infinity(), false},
};

template <typename T, std::size_t N>
const T& Pick(const T (&table)[N], std::uint8_t byte) {
  return table[byte % N];
}

// The input's bytes, then zeros.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  bool Left() const { return at_ < size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Per package: state, path, RUID, version, date, dependency count (its low
// bits) and cut (its high bit), then the dependencies. Files that are not
// whole keep values too: the steps must ignore them.
std::vector<PackageFile> Delivery(Bytes* in, std::vector<bool>* valid_date) {
  std::vector<PackageFile> files;
  while (in->Left() && files.size() < kMaxPackages) {
    PackageFile f;
    const std::uint8_t state = in->Next() % 10;
    f.state = state < 6 ? State::kWhole : static_cast<State>(state - 5);
    f.path = Pick(kPaths, in->Next());
    f.ruid = Pick(kRUIDs, in->Next());
    f.version = Pick(kVersions, in->Next());
    const Date& date = Pick(kDates, in->Next());
    f.modified = date.day_count;
    valid_date->push_back(date.valid);
    const std::uint8_t deps = in->Next();
    for (int k = 0; k < deps % 5; ++k) f.depends_on.push_back(Pick(kRUIDs, in->Next()));
    if (deps & 0x80) {
      f.depends_declared = 100;
      f.depends_kept = 40;
    }
    files.push_back(std::move(f));
  }
  return files;
}

void Require(bool holds) {
  if (!holds) std::abort();
}

bool Same(const TRUID& a, const TRUID& b) { return a.first == b.first && a.second == b.second; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  std::vector<bool> valid_date;
  const std::vector<PackageFile> files = Delivery(&in, &valid_date);
  const zmk::CheckResult result = zmk::CheckDelivery(files);
  const std::size_t n = files.size();

  // The reference: i depends on j where both are whole and j carries a RUID
  // that i needs; reach[i][j] where a chain of one or more such steps leads
  // from i to j. Rows are bit sets, so that Floyd–Warshall adds a row at a
  // time.
  std::vector<bool> whole(n);
  for (std::size_t i = 0; i < n; ++i) whole[i] = files[i].state == State::kWhole;
  using Row = std::bitset<kMaxPackages>;
  std::vector<Row> depends(n), reach;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      if (!whole[i] || !whole[j]) continue;
      for (const TRUID& d : files[i].depends_on) {
        if (Same(d, files[j].ruid)) depends[i][j] = true;
      }
    }
  }
  reach = depends;
  for (std::size_t k = 0; k < n; ++k) {
    for (std::size_t i = 0; i < n; ++i) {
      if (reach[i][k]) reach[i] |= reach[k];
    }
  }
  auto together = [&](std::size_t i, std::size_t j) {
    return i == j || (reach[i][j] && reach[j][i]);
  };
  // Paths compare as bytes with the separators lowest: no path here holds
  // a byte below 0x03.
  std::vector<std::string> path_keys(n);
  for (std::size_t i = 0; i < n; ++i) {
    for (char c : files[i].path) path_keys[i] += c == '/' ? '\x01' : c == '\\' ? '\x02' : c;
  }
  auto path = [&](std::size_t i) -> const std::string& { return path_keys[i]; };

  // Packages: every file but a folder without any.
  Require(result.packages == static_cast<std::size_t>(std::count_if(
                                 files.begin(), files.end(), [](const PackageFile& f) {
                                   return f.state != State::kNoPackages;
                                 })));

  // Order: every whole file once, nothing else, each after what it depends on
  // unless the two reach each other.
  std::vector<std::size_t> position(n, n);
  for (std::size_t p = 0; p < result.order.size(); ++p) {
    const std::size_t i = result.order[p];
    Require(i < n && whole[i] && position[i] == n);
    position[i] = p;
  }
  for (std::size_t i = 0; i < n; ++i) {
    Require(whole[i] == (position[i] != n));
    for (std::size_t j = 0; j < n; ++j) {
      if (depends[i][j] && !together(i, j)) Require(position[j] < position[i]);
    }
  }
  // Group by group: of the groups whose dependencies are all placed, one
  // whose least path is least goes next, whole, its files by path.
  std::vector<std::size_t> group_of(n);  // its least index
  std::vector<Row> group(n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = n; j-- > 0;) {
      if (together(i, j)) group[i][group_of[i] = j] = true;
    }
  }
  Row placed;
  for (std::size_t p = 0; p < result.order.size();) {
    std::vector<bool> blocked(n, false);
    std::vector<const std::string*> first(n, nullptr);
    for (std::size_t i = 0; i < n; ++i) {
      if (!whole[i] || placed[i]) continue;
      const std::size_t g = group_of[i];
      if (!first[g] || path(i) < *first[g]) first[g] = &path(i);
      if ((depends[i] & ~group[i] & ~placed).any()) blocked[g] = true;
    }
    const std::string* least = nullptr;
    for (std::size_t g = 0; g < n; ++g) {
      if (first[g] && !blocked[g] && (!least || *first[g] < *least)) least = first[g];
    }
    const std::size_t g = group_of[result.order[p]];
    const std::size_t count = std::count(group_of.begin(), group_of.end(), g);
    Require(least && !blocked[g] && *first[g] == *least && p + count <= result.order.size());
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t i = result.order[p + k];
      Require(group_of[i] == g);
      if (k > 0) Require(path(result.order[p + k - 1]) <= path(i));
      placed[i] = true;
    }
    p += count;
  }

  // Cycles: the whole files that reach themselves, one cycle for the files
  // that reach each other.
  Require(result.cycle_of.size() == n);
  for (std::size_t i = 0; i < n; ++i) {
    Require((result.cycle_of[i] != zmk::kNoCycle) == (whole[i] && reach[i][i]));
    for (std::size_t j = 0; j < n; ++j) {
      if (result.cycle_of[i] != zmk::kNoCycle && result.cycle_of[j] != zmk::kNoCycle) {
        Require((result.cycle_of[i] == result.cycle_of[j]) == together(i, j));
      }
    }
  }

  // Problems, each as its kind, its RUID where it has one, and its files as a
  // set: the reference's and the check's must be the same lists.
  using Key =
      std::pair<int, std::pair<std::pair<std::int32_t, std::int32_t>, std::set<std::size_t>>>;
  std::multiset<Key> expected, found;
  auto key = [](Problem::Kind kind, TRUID ruid, std::set<std::size_t> members) {
    return Key{static_cast<int>(kind), {{ruid.first, ruid.second}, std::move(members)}};
  };
  std::set<std::size_t> seen_cycle;
  for (std::size_t i = 0; i < n; ++i) {
    // A file's own problem, by its state; a whole file's is a cut text.
    static const Problem::Kind kOwn[] = {Problem::Kind::kDependenciesCut, Problem::Kind::kNotZMK,
                                         Problem::Kind::kDamaged, Problem::Kind::kUnreadable,
                                         Problem::Kind::kNoPackages};
    if (!whole[i] || files[i].depends_declared != 0) {
      expected.insert(key(kOwn[static_cast<int>(files[i].state)], {0, 0}, {i}));
    }
    if (whole[i] && reach[i][i] && !seen_cycle.count(i)) {
      std::set<std::size_t> cycle;
      for (std::size_t j = 0; j < n; ++j) {
        if (whole[j] && together(i, j)) cycle.insert(j);
      }
      seen_cycle.insert(cycle.begin(), cycle.end());
      expected.insert(key(Problem::Kind::kCycle, {0, 0}, cycle));
    }
  }
  for (const TRUID& ruid : kRUIDs) {
    std::set<std::size_t> carriers, needers;
    for (std::size_t i = 0; i < n; ++i) {
      if (!whole[i]) continue;
      if (Same(files[i].ruid, ruid)) carriers.insert(i);
      for (const TRUID& d : files[i].depends_on) {
        if (Same(d, ruid)) needers.insert(i);
      }
    }
    if (carriers.empty() && !needers.empty())
      expected.insert(key(Problem::Kind::kMissing, ruid, needers));
    if (carriers.size() > 1) expected.insert(key(Problem::Kind::kDuplicate, ruid, carriers));
  }
  // Newer: a higher version, then a valid date before none, a later date,
  // then the lesser path; equal in all, either may come first.
  auto newer = [&](std::size_t x, std::size_t y) {
    if (files[x].version != files[y].version) return files[x].version > files[y].version;
    if (valid_date[x] != valid_date[y]) return bool(valid_date[x]);
    if (valid_date[x] && files[x].modified != files[y].modified) {
      return files[x].modified > files[y].modified;
    }
    return path(x) < path(y);
  };
  for (std::size_t k = 0; k < result.problems.size(); ++k) {
    const Problem& p = result.problems[k];
    Require(!p.files.empty());
    const bool by_ruid = p.kind == Problem::Kind::kMissing || p.kind == Problem::Kind::kDuplicate;
    for (std::size_t m = 1; m < p.files.size(); ++m) {
      const std::size_t before = p.files[m - 1], after = p.files[m];
      Require(before < n && after < n);
      Require(p.kind == Problem::Kind::kDuplicate ? !newer(after, before)
                                                  : path(before) <= path(after));
    }
    if (k > 0) {
      const Problem& q = result.problems[k - 1];
      Require(q.kind <= p.kind);
      if (q.kind == p.kind) {
        Require(by_ruid ? std::make_pair(q.ruid.first, q.ruid.second) <
                              std::make_pair(p.ruid.first, p.ruid.second)
                        : path(q.files[0]) <= path(p.files[0]));
      }
    }
    const std::set<std::size_t> members(p.files.begin(), p.files.end());
    Require(members.size() == p.files.size());
    found.insert(key(p.kind, by_ruid ? p.ruid : TRUID{0, 0}, members));
  }
  Require(found == expected);
  return 0;
}
