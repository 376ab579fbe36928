#include "tools/zmkinfo/check.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <queue>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "header/setting_header.h"
#include "header/stream.h"
#include "platform/command_line.h"
#include "platform/error.h"
#include "platform/file.h"
#include "plugin/fields.h"

namespace zmk {

namespace {

// The strongly connected groups of a graph, found without recursion (a
// chain of 100,000 packages is no deeper than a list). Groups come out with
// every group that an edge leads to before the group it leaves.
std::vector<std::size_t> Components(const std::vector<std::vector<std::size_t>>& edges,
                                    std::size_t* count) {
  const std::size_t n = edges.size();
  constexpr std::size_t kUnseen = static_cast<std::size_t>(-1);
  std::vector<std::size_t> index(n, kUnseen), low(n), component(n, kUnseen);
  std::vector<std::size_t> stack;
  std::vector<std::pair<std::size_t, std::size_t>> calls;  // node, next edge
  std::size_t next_index = 0;
  *count = 0;
  for (std::size_t root = 0; root < n; ++root) {
    if (index[root] != kUnseen) continue;
    calls.push_back({root, 0});
    while (!calls.empty()) {
      auto& [v, e] = calls.back();
      if (e == 0) {
        index[v] = low[v] = next_index++;
        stack.push_back(v);
      }
      if (e < edges[v].size()) {
        std::size_t w = edges[v][e++];
        if (index[w] == kUnseen) {
          calls.push_back({w, 0});
        } else if (component[w] == kUnseen) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      const std::size_t done = v;
      calls.pop_back();
      if (!calls.empty()) {
        std::size_t parent = calls.back().first;
        low[parent] = std::min(low[parent], low[done]);
      }
      if (low[done] == index[done]) {
        std::size_t w;
        do {
          w = stack.back();
          stack.pop_back();
          component[w] = *count;
        } while (w != done);
        ++*count;
      }
    }
  }
  return component;
}

// The values of a header, as the reader left them.
PackageFile PackageFromHeader(std::string path, LoadResult loaded, const TZMKHeader& header) {
  PackageFile file;
  file.path = std::move(path);
  if (loaded != LoadResult::kWhole) {
    file.state = loaded == LoadResult::kEndsEarly ? PackageFile::State::kDamaged
                                                  : PackageFile::State::kNotZMK;
    return file;
  }
  file.ruid = header.RUID;
  file.name = header.Name;
  file.comment = header.Comment;
  file.modified = header.Modified;
  file.version = header.Version;
  file.is_final = header.IsFinal;
  file.min_exe_version = header.MinExeVersion;
  file.min_db_version = header.MinDBVersion;
  for (const std::string& entry : header.DependsOn) {
    // Every entry left is a valid RUID text or empty, which means no RUID.
    TRUID ruid = StrToRUID(entry);
    if (ruid.first != -1) file.depends_on.push_back(ruid);
  }
  file.depends_declared = header.DependsOnDeclared;
  file.depends_kept = header.DependsOnKept;
  return file;
}

}  // namespace

PackageFile Unreadable(std::string path, std::string error) {
  PackageFile file;
  file.path = std::move(path);
  file.state = PackageFile::State::kUnreadable;
  file.error = std::move(error);
  return file;
}

PackageFile NoPackages(std::string path) {
  PackageFile file;
  file.path = std::move(path);
  file.state = PackageFile::State::kNoPackages;
  return file;
}

PackageFile ReadPackage(const std::string& path, File file) {
  TZMKHeader header;
  LoadResult loaded;
  try {
    FileStream stream(path, std::move(file));
    loaded = header.LoadFromZMKStream(stream);
  } catch (const OpenError& e) {
    return Unreadable(path, ModuleMessage(e.reason()));
  } catch (const std::exception& e) {
    return Unreadable(path, ModuleMessage(e.what()));
  }
  return PackageFromHeader(path, loaded, header);
}

bool PathLess(std::string_view a, std::string_view b) {
  auto rank = [](char c) {
    return c == '/' ? 0 : c == '\\' ? 1 : static_cast<unsigned char>(c) + 2;
  };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return rank(x) < rank(y); });
}

bool IsZMKName(const char* name) {
  const std::size_t n = std::strlen(name);
  if (n < 4) return false;
  const char* ext = name + n - 4;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return ext[0] == '.' && lower(ext[1]) == 'z' && lower(ext[2]) == 'm' && lower(ext[3]) == 'k';
}

const char* KindName(Problem::Kind kind) {
  switch (kind) {
    case Problem::Kind::kMissing: return "missing";
    case Problem::Kind::kDuplicate: return "duplicate";
    case Problem::Kind::kCycle: return "cycle";
    case Problem::Kind::kNeedsNewerExe: return "needs_newer_exe";
    case Problem::Kind::kNeedsNewerDb: return "needs_newer_db";
    case Problem::Kind::kUnreadableExeVersion: return "unreadable_exe_version";
    case Problem::Kind::kUnreadableDbVersion: return "unreadable_db_version";
    case Problem::Kind::kDependenciesCut: return "dependencies_cut";
    case Problem::Kind::kNotZMK: return "not_zmk";
    case Problem::Kind::kDamaged: return "damaged";
    case Problem::Kind::kUnreadable: return "unreadable";
    case Problem::Kind::kNoPackages: return "no_packages";
  }
  return "";
}

std::uint64_t RUIDKey(const TRUID& ruid) {
  return std::uint64_t{static_cast<std::uint32_t>(ruid.first)} << 32 |
         static_cast<std::uint32_t>(ruid.second);
}

DeliveryIndex IndexDelivery(const std::vector<PackageFile>& files) {
  DeliveryIndex index;
  std::vector<std::uint64_t> keys;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const PackageFile& f = files[i];
    if (f.state != PackageFile::State::kWhole) continue;
    index.carriers[RUIDKey(f.ruid)].push_back(i);
    index.ruids.emplace(RUIDKey(f.ruid), f.ruid);
    keys.clear();
    for (const TRUID& d : f.depends_on) {
      keys.push_back(RUIDKey(d));
      index.ruids.emplace(RUIDKey(d), d);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (std::uint64_t k : keys) index.needers[k].push_back(i);
  }
  return index;
}

void FileProblems(const std::vector<PackageFile>& files, std::vector<Problem>* problems) {
  using State = PackageFile::State;
  for (std::size_t i = 0; i < files.size(); ++i) {
    switch (files[i].state) {
      case State::kWhole:
        if (files[i].depends_declared != 0) {
          problems->push_back({Problem::Kind::kDependenciesCut, {}, {i}});
        }
        break;
      case State::kNotZMK: problems->push_back({Problem::Kind::kNotZMK, {}, {i}}); break;
      case State::kDamaged: problems->push_back({Problem::Kind::kDamaged, {}, {i}}); break;
      case State::kUnreadable: problems->push_back({Problem::Kind::kUnreadable, {}, {i}}); break;
      case State::kNoPackages: problems->push_back({Problem::Kind::kNoPackages, {}, {i}}); break;
    }
  }
}

bool ValidDate(double modified) { return DayCountToDate(modified).wYear != 0; }

bool Newer(const PackageFile& x, const PackageFile& y) {
  if (x.version != y.version) return x.version > y.version;
  const bool x_valid = ValidDate(x.modified);
  const bool y_valid = ValidDate(y.modified);
  if (x_valid != y_valid) return x_valid;
  if (x_valid && x.modified != y.modified) return x.modified > y.modified;
  return PathLess(x.path, y.path);
}

void RUIDProblems(const std::vector<PackageFile>& files, const DeliveryIndex& index,
                  std::vector<Problem>* problems) {
  for (const auto& [key, needed_by] : index.needers) {
    if (index.carriers.count(key)) continue;
    Problem p{Problem::Kind::kMissing, index.ruids.at(key), needed_by};
    std::sort(p.files.begin(), p.files.end(), ByPath{files});
    problems->push_back(std::move(p));
  }
  for (const auto& [key, carried_by] : index.carriers) {
    if (carried_by.size() < 2) continue;
    Problem p{Problem::Kind::kDuplicate, index.ruids.at(key), carried_by};
    std::sort(p.files.begin(), p.files.end(), [&](std::size_t a, std::size_t b) {
      if (Newer(files[a], files[b])) return true;
      if (Newer(files[b], files[a])) return false;
      return a < b;
    });
    problems->push_back(std::move(p));
  }
}

DeliveryGroups FindGroups(const std::vector<PackageFile>& files, const DeliveryIndex& index) {
  const std::size_t n = files.size();
  DeliveryGroups g;
  g.edges.resize(n);
  for (const auto& [key, carried_by] : index.carriers) {
    auto needed = index.needers.find(key);
    if (needed == index.needers.end()) continue;
    const std::size_t node = g.edges.size();
    g.edges.emplace_back(needed->second);
    for (std::size_t c : carried_by) g.edges[c].push_back(node);
  }
  std::size_t count;
  g.group = Components(g.edges, &count);
  g.members.resize(count);
  std::vector<std::size_t> size(count, 0);
  for (std::size_t v = 0; v < g.edges.size(); ++v) {
    ++size[g.group[v]];
    if (v < n && files[v].state == PackageFile::State::kWhole) g.members[g.group[v]].push_back(v);
  }
  g.cyclic.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    std::sort(g.members[k].begin(), g.members[k].end(), ByPath{files});
    g.cyclic[k] = size[k] > 1;
  }
  return g;
}

void CycleProblems(const DeliveryGroups& groups, std::vector<Problem>* problems) {
  for (std::size_t k = 0; k < groups.members.size(); ++k) {
    if (groups.cyclic[k]) problems->push_back({Problem::Kind::kCycle, {}, groups.members[k]});
  }
}

std::vector<std::size_t> ImportOrder(const std::vector<PackageFile>& files,
                                     const DeliveryGroups& g) {
  // A group that is only a RUID node has no path and goes at once.
  const std::size_t count = g.members.size();
  std::vector<std::size_t> waiting(count, 0);
  std::vector<std::vector<std::size_t>> nodes(count);
  for (std::size_t v = 0; v < g.edges.size(); ++v) {
    nodes[g.group[v]].push_back(v);
    for (std::size_t w : g.edges[v]) {
      if (g.group[w] != g.group[v]) ++waiting[g.group[w]];
    }
  }
  using Entry = std::pair<std::string_view, std::size_t>;
  auto later = [](const Entry& x, const Entry& y) {
    if (PathLess(y.first, x.first)) return true;
    return !PathLess(x.first, y.first) && x.second > y.second;
  };
  std::priority_queue<Entry, std::vector<Entry>, decltype(later)> ready(later);
  auto first_path = [&](std::size_t k) {
    return g.members[k].empty() ? std::string_view() : std::string_view(files[g.members[k][0]].path);
  };
  for (std::size_t k = 0; k < count; ++k) {
    if (waiting[k] == 0) ready.push({first_path(k), k});
  }
  std::vector<std::size_t> order;
  while (!ready.empty()) {
    const std::size_t k = ready.top().second;
    ready.pop();
    order.insert(order.end(), g.members[k].begin(), g.members[k].end());
    for (std::size_t v : nodes[k]) {
      for (std::size_t w : g.edges[v]) {
        const std::size_t next = g.group[w];
        if (next != k && --waiting[next] == 0) ready.push({first_path(next), next});
      }
    }
  }
  return order;
}

std::size_t PackageCount(const std::vector<PackageFile>& files) {
  return static_cast<std::size_t>(std::count_if(files.begin(), files.end(), [](const PackageFile& f) {
    return f.state != PackageFile::State::kNoPackages;
  }));
}

CheckResult CheckDelivery(const std::vector<PackageFile>& files,
                          const Installation& installation) {
  CheckResult result;
  result.needs = FindNeeds(files);
  NeedsProblems(files, installation, &result.problems);
  const DeliveryIndex index = IndexDelivery(files);
  FileProblems(files, &result.problems);
  RUIDProblems(files, index, &result.problems);
  const DeliveryGroups groups = FindGroups(files, index);
  CycleProblems(groups, &result.problems);
  result.order = ImportOrder(files, groups);

  result.packages = PackageCount(files);
  result.cycle_of.assign(files.size(), kNoCycle);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].state == PackageFile::State::kWhole && groups.cyclic[groups.group[i]]) {
      result.cycle_of[i] = groups.group[i];
    }
  }
  SortProblems(files, &result.problems);
  return result;
}

void SortProblems(const std::vector<PackageFile>& files, std::vector<Problem>* problems) {
  const ByPath by_path{files};
  std::sort(problems->begin(), problems->end(), [&](const Problem& a, const Problem& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.kind == Problem::Kind::kMissing || a.kind == Problem::Kind::kDuplicate) {
      return std::make_pair(a.ruid.first, a.ruid.second) < std::make_pair(b.ruid.first, b.ruid.second);
    }
    return by_path(a.files[0], b.files[0]);
  });
}

}  // namespace zmk
