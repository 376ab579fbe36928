#include "fuzz/graph_reference.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

namespace zmk::fuzz {
namespace {

using State = PackageFile::State;
using Row = std::bitset<kMaxPackages>;

void Require(bool holds) {
  if (!holds) std::abort();
}

bool Same(const TRUID& a, const TRUID& b) { return a.first == b.first && a.second == b.second; }

// i depends on j where both are whole and j carries a RUID that i needs;
// reach[i][j] where a chain of one or more such steps leads from i to j.
// Rows are bit sets, so that Floyd–Warshall adds a row at a time.
struct Graph {
  explicit Graph(const std::vector<PackageFile>& in);
  bool Together(std::size_t i, std::size_t j) const {
    return i == j || (reach[i][j] && reach[j][i]);
  }
  // Paths compare as bytes with the separators lowest: no path here holds
  // a byte below 0x03.
  const std::string& Path(std::size_t i) const { return path_keys[i]; }

  const std::vector<PackageFile>& files;
  std::size_t n;
  std::vector<std::string> path_keys;
  std::vector<bool> whole;
  std::vector<Row> depends, reach;
  std::vector<std::size_t> group_of;  // the least index of the files it reaches and is reached by
  std::vector<Row> group;
};

Graph::Graph(const std::vector<PackageFile>& in)
    : files(in), n(in.size()), path_keys(n), whole(n), depends(n), group_of(n), group(n) {
  for (std::size_t i = 0; i < n; ++i) {
    whole[i] = files[i].state == State::kWhole;
    for (char c : files[i].path) path_keys[i] += c == '/' ? '\x01' : c == '\\' ? '\x02' : c;
  }
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
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = n; j-- > 0;) {
      if (Together(i, j)) group[i][group_of[i] = j] = true;
    }
  }
}

// Order: every whole file once, nothing else, each after what it depends on
// unless the two reach each other.
void RequireOrder(const Graph& g, const CheckResult& result) {
  std::vector<std::size_t> position(g.n, g.n);
  for (std::size_t p = 0; p < result.order.size(); ++p) {
    const std::size_t i = result.order[p];
    Require(i < g.n && g.whole[i] && position[i] == g.n);
    position[i] = p;
  }
  for (std::size_t i = 0; i < g.n; ++i) {
    Require(g.whole[i] == (position[i] != g.n));
    for (std::size_t j = 0; j < g.n; ++j) {
      if (g.depends[i][j] && !g.Together(i, j)) Require(position[j] < position[i]);
    }
  }
}

// The groups not yet placed, by their least index: the least path of each,
// and whether it still waits for a dependency outside itself.
struct Waiting {
  std::vector<const std::string*> first;
  std::vector<bool> blocked;
};

Waiting Unplaced(const Graph& g, const Row& placed) {
  Waiting w{std::vector<const std::string*>(g.n, nullptr), std::vector<bool>(g.n, false)};
  for (std::size_t i = 0; i < g.n; ++i) {
    if (!g.whole[i] || placed[i]) continue;
    const std::size_t k = g.group_of[i];
    if (!w.first[k] || g.Path(i) < *w.first[k]) w.first[k] = &g.Path(i);
    if ((g.depends[i] & ~g.group[i] & ~placed).any()) w.blocked[k] = true;
  }
  return w;
}

// Group by group: of the groups whose dependencies are all placed, one whose
// least path is least goes next, whole, its files by path.
void RequireGroupOrder(const Graph& g, const CheckResult& result) {
  Row placed;
  for (std::size_t p = 0; p < result.order.size();) {
    const Waiting w = Unplaced(g, placed);
    const std::string* least = nullptr;
    for (std::size_t k = 0; k < g.n; ++k) {
      if (w.first[k] && !w.blocked[k] && (!least || *w.first[k] < *least)) least = w.first[k];
    }
    const std::size_t k = g.group_of[result.order[p]];
    const std::size_t count = std::count(g.group_of.begin(), g.group_of.end(), k);
    Require(least && !w.blocked[k] && *w.first[k] == *least && p + count <= result.order.size());
    for (std::size_t m = 0; m < count; ++m) {
      const std::size_t i = result.order[p + m];
      Require(g.group_of[i] == k);
      if (m > 0) Require(g.Path(result.order[p + m - 1]) <= g.Path(i));
      placed[i] = true;
    }
    p += count;
  }
}

// Cycles: the whole files that reach themselves, one cycle for the files
// that reach each other.
void RequireCycles(const Graph& g, const CheckResult& result) {
  Require(result.cycle_of.size() == g.n);
  for (std::size_t i = 0; i < g.n; ++i) {
    Require((result.cycle_of[i] != kNoCycle) == (g.whole[i] && g.reach[i][i]));
    for (std::size_t j = 0; j < g.n; ++j) {
      if (result.cycle_of[i] != kNoCycle && result.cycle_of[j] != kNoCycle) {
        Require((result.cycle_of[i] == result.cycle_of[j]) == g.Together(i, j));
      }
    }
  }
}

// A problem as its kind, its RUID where it has one, and its files as a set.
using Key = std::pair<int, std::pair<std::pair<std::int32_t, std::int32_t>, std::set<std::size_t>>>;

Key MakeKey(Problem::Kind kind, TRUID ruid, std::set<std::size_t> members) {
  return Key{static_cast<int>(kind), {{ruid.first, ruid.second}, std::move(members)}};
}

// Each file's own problem, by its state (a whole file's is a cut text), and
// each cycle.
void ExpectFileProblems(const Graph& g, std::multiset<Key>* expected) {
  static const Problem::Kind kOwn[] = {Problem::Kind::kDependenciesCut, Problem::Kind::kNotZMK,
                                       Problem::Kind::kDamaged, Problem::Kind::kUnreadable,
                                       Problem::Kind::kNoPackages};
  std::set<std::size_t> seen_cycle;
  for (std::size_t i = 0; i < g.n; ++i) {
    if (!g.whole[i] || g.files[i].depends_declared != 0) {
      expected->insert(MakeKey(kOwn[static_cast<int>(g.files[i].state)], {0, 0}, {i}));
    }
    if (g.whole[i] && g.reach[i][i] && !seen_cycle.count(i)) {
      std::set<std::size_t> cycle;
      for (std::size_t j = 0; j < g.n; ++j) {
        if (g.whole[j] && g.Together(i, j)) cycle.insert(j);
      }
      seen_cycle.insert(cycle.begin(), cycle.end());
      expected->insert(MakeKey(Problem::Kind::kCycle, {0, 0}, cycle));
    }
  }
}

// A RUID that whole files need and none carries, or that more than one
// carries.
void ExpectRUIDProblems(const Graph& g, std::multiset<Key>* expected) {
  std::set<std::pair<std::int32_t, std::int32_t>> ruids;
  for (const PackageFile& f : g.files) {
    ruids.emplace(f.ruid.first, f.ruid.second);
    for (const TRUID& d : f.depends_on) ruids.emplace(d.first, d.second);
  }
  for (const auto& [first, second] : ruids) {
    const TRUID ruid{first, second};
    std::set<std::size_t> carriers, needers;
    for (std::size_t i = 0; i < g.n; ++i) {
      if (!g.whole[i]) continue;
      if (Same(g.files[i].ruid, ruid)) carriers.insert(i);
      for (const TRUID& d : g.files[i].depends_on) {
        if (Same(d, ruid)) needers.insert(i);
      }
    }
    if (carriers.empty() && !needers.empty()) {
      expected->insert(MakeKey(Problem::Kind::kMissing, ruid, needers));
    }
    if (carriers.size() > 1) expected->insert(MakeKey(Problem::Kind::kDuplicate, ruid, carriers));
  }
}

// Newer: a higher version, then a valid date before none, a later date, then
// the lesser path; equal in all, either may come first.
bool Newer(const Graph& g, const std::vector<bool>& valid_date, std::size_t x, std::size_t y) {
  const PackageFile& a = g.files[x];
  const PackageFile& b = g.files[y];
  if (a.version != b.version) return a.version > b.version;
  if (valid_date[x] != valid_date[y]) return bool(valid_date[x]);
  if (valid_date[x] && a.modified != b.modified) return a.modified > b.modified;
  return g.Path(x) < g.Path(y);
}

bool ByRUID(Problem::Kind kind) {
  return kind == Problem::Kind::kMissing || kind == Problem::Kind::kDuplicate;
}

// Problems in order: by kind, then by RUID or first path; a duplicate's
// files newest first, any other's by path. Returns them as keys.
std::multiset<Key> FoundProblems(const Graph& g, const std::vector<bool>& valid_date,
                                 const CheckResult& result) {
  std::multiset<Key> found;
  for (std::size_t k = 0; k < result.problems.size(); ++k) {
    const Problem& p = result.problems[k];
    Require(!p.files.empty());
    for (std::size_t m = 1; m < p.files.size(); ++m) {
      const std::size_t before = p.files[m - 1], after = p.files[m];
      Require(before < g.n && after < g.n);
      Require(p.kind == Problem::Kind::kDuplicate ? !Newer(g, valid_date, after, before)
                                                  : g.Path(before) <= g.Path(after));
    }
    if (k > 0) {
      const Problem& q = result.problems[k - 1];
      Require(q.kind <= p.kind);
      if (q.kind == p.kind) {
        Require(ByRUID(p.kind) ? std::make_pair(q.ruid.first, q.ruid.second) <
                                     std::make_pair(p.ruid.first, p.ruid.second)
                               : g.Path(q.files[0]) <= g.Path(p.files[0]));
      }
    }
    const std::set<std::size_t> members(p.files.begin(), p.files.end());
    Require(members.size() == p.files.size());
    found.insert(MakeKey(p.kind, ByRUID(p.kind) ? p.ruid : TRUID{0, 0}, members));
  }
  return found;
}

}  // namespace

void RequireReferenceResult(const std::vector<PackageFile>& files,
                            const std::vector<bool>& valid_date, const CheckResult& result) {
  const Graph g(files);
  // Packages: every file but a folder without any.
  Require(result.packages == static_cast<std::size_t>(std::count_if(
                                 files.begin(), files.end(), [](const PackageFile& f) {
                                   return f.state != State::kNoPackages;
                                 })));
  RequireOrder(g, result);
  RequireGroupOrder(g, result);
  RequireCycles(g, result);
  std::multiset<Key> expected;
  ExpectFileProblems(g, &expected);
  ExpectRUIDProblems(g, &expected);
  Require(FoundProblems(g, valid_date, result) == expected);
}

}  // namespace zmk::fuzz
