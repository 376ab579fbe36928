#include "tools/zmkinfo/check.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <queue>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "header/coding.h"
#include "header/setting_header.h"
#include "platform/error.h"
#include "platform/file.h"

namespace zmk {

namespace {

namespace fs = std::filesystem;

std::uint64_t Key(const TRUID& ruid) {
  return std::uint64_t{static_cast<std::uint32_t>(ruid.first)} << 32 |
         static_cast<std::uint32_t>(ruid.second);
}

// For a file whose header did not load whole: whether it is a ZMK file of
// the version read whose header ends early, rather than no such file.
bool HeaderEndsEarly(const std::string& path) {
  try {
    File file = File::Open(path);
    unsigned char head[8];
    std::size_t got = 0;
    while (got < sizeof head) {
      std::size_t n = file.Read(head + got, sizeof head - got);
      if (n == 0) break;
      got += n;
    }
    if (got < 4 || std::memcmp(head, "ZMK$", 4) != 0) return false;
    return got < sizeof head || DecodeFixed32(head + 4) == 1;
  } catch (const Error&) {
    return false;
  }
}

PackageFile Unreadable(std::string path, std::string error) {
  PackageFile file;
  file.path = std::move(path);
  file.state = PackageFile::State::kUnreadable;
  file.error = std::move(error);
  return file;
}

bool IsZMKName(const fs::path& path) {
  const std::string name = path.filename().string();
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".zmk";
}

void Walk(const fs::path& dir, std::vector<PackageFile>* out) {
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) {
    out->push_back(Unreadable(dir.string(), ec.message()));
    return;
  }
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const fs::file_status own = it->symlink_status(ec);
    if (fs::is_symlink(own)) {
      if (fs::is_directory(it->status(ec))) continue;  // links to folders are not followed
    } else if (fs::is_directory(own)) {
      Walk(path, out);
      continue;
    }
    if (IsZMKName(path)) out->push_back(ReadPackage(path.string()));
  }
  if (ec) out->push_back(Unreadable(dir.string(), ec.message()));
}

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

}  // namespace

PackageFile ReadPackage(const std::string& path) {
  TZMKHeader header;
  bool whole;
  try {
    whole = header.LoadFromFile(path);
  } catch (const OpenError& e) {
    return Unreadable(path, e.reason());
  } catch (const std::exception& e) {
    return Unreadable(path, e.what());
  }
  PackageFile file;
  file.path = path;
  if (!whole) {
    file.state = HeaderEndsEarly(path) ? PackageFile::State::kDamaged
                                       : PackageFile::State::kNotZMK;
    return file;
  }
  file.ruid = header.RUID;
  file.name = header.Name;
  file.modified = header.Modified;
  file.version = header.Version;
  for (const std::string& entry : header.DependsOn) {
    // Every entry left is a valid RUID text or empty, which means no RUID.
    TRUID ruid = StrToRUID(entry);
    if (ruid.first != -1) file.depends_on.push_back(ruid);
  }
  return file;
}

std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths) {
  std::vector<PackageFile> files;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (fs::is_directory(fs::status(path, ec))) {
      Walk(path, &files);
    } else {
      files.push_back(ReadPackage(path));
    }
  }
  return files;
}

const char* KindName(Problem::Kind kind) {
  switch (kind) {
    case Problem::Kind::kMissing: return "missing";
    case Problem::Kind::kDuplicate: return "duplicate";
    case Problem::Kind::kCycle: return "cycle";
    case Problem::Kind::kNotZMK: return "not_zmk";
    case Problem::Kind::kDamaged: return "damaged";
    case Problem::Kind::kUnreadable: return "unreadable";
  }
  return "";
}

CheckResult CheckDelivery(const std::vector<PackageFile>& files) {
  using State = PackageFile::State;
  const std::size_t n = files.size();
  auto by_path = [&](std::size_t a, std::size_t b) {
    return files[a].path != files[b].path ? files[a].path < files[b].path : a < b;
  };
  CheckResult result;

  // Which files carry each RUID, and which need it.
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> carriers, needers;
  std::unordered_map<std::uint64_t, TRUID> ruids;
  for (std::size_t i = 0; i < n; ++i) {
    const PackageFile& f = files[i];
    switch (f.state) {
      case State::kWhole:
        carriers[Key(f.ruid)].push_back(i);
        ruids.emplace(Key(f.ruid), f.ruid);
        break;
      case State::kNotZMK: result.problems.push_back({Problem::Kind::kNotZMK, {}, {i}}); break;
      case State::kDamaged: result.problems.push_back({Problem::Kind::kDamaged, {}, {i}}); break;
      case State::kUnreadable:
        result.problems.push_back({Problem::Kind::kUnreadable, {}, {i}});
        break;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    std::vector<std::uint64_t> keys;
    for (const TRUID& d : files[i].depends_on) {
      keys.push_back(Key(d));
      ruids.emplace(Key(d), d);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (std::uint64_t k : keys) needers[k].push_back(i);
  }

  for (auto& [key, needed_by] : needers) {
    if (carriers.count(key)) continue;
    std::sort(needed_by.begin(), needed_by.end(), by_path);
    result.problems.push_back({Problem::Kind::kMissing, ruids[key], needed_by});
  }
  for (auto& [key, carried_by] : carriers) {
    if (carried_by.size() < 2) continue;
    std::vector<std::size_t> newest_first = carried_by;
    std::sort(newest_first.begin(), newest_first.end(), [&](std::size_t a, std::size_t b) {
      const PackageFile& x = files[a];
      const PackageFile& y = files[b];
      if (x.version != y.version) return x.version > y.version;
      if (x.modified != y.modified) return x.modified > y.modified;
      return by_path(a, b);
    });
    result.problems.push_back({Problem::Kind::kDuplicate, ruids[key], newest_first});
  }

  // The graph: a file leads to a node for its RUID, which leads to every
  // file that needs that RUID, so that many carriers and many needers of
  // one RUID cost their sum in edges, not their product.
  std::vector<std::vector<std::size_t>> edges(n);
  for (auto& [key, carried_by] : carriers) {
    auto needed = needers.find(key);
    if (needed == needers.end()) continue;
    const std::size_t node = edges.size();
    edges.emplace_back(needed->second);
    for (std::size_t c : carried_by) edges[c].push_back(node);
  }
  std::size_t groups;
  const std::vector<std::size_t> group = Components(edges, &groups);

  std::vector<std::vector<std::size_t>> members(groups);  // files only
  std::vector<std::size_t> size(groups, 0);
  for (std::size_t v = 0; v < edges.size(); ++v) {
    ++size[group[v]];
    if (v < n && files[v].state == State::kWhole) members[group[v]].push_back(v);
  }
  for (std::size_t g = 0; g < groups; ++g) {
    std::sort(members[g].begin(), members[g].end(), by_path);
    if (size[g] > 1) result.problems.push_back({Problem::Kind::kCycle, {}, members[g]});
  }

  // Import order: of the groups whose dependencies are all placed, the one
  // whose first path is least goes next; a group that is only a RUID node
  // goes at once.
  std::vector<std::size_t> waiting(groups, 0);
  for (std::size_t v = 0; v < edges.size(); ++v) {
    for (std::size_t w : edges[v]) {
      if (group[w] != group[v]) ++waiting[group[w]];
    }
  }
  std::vector<std::vector<std::size_t>> nodes(groups);
  for (std::size_t v = 0; v < edges.size(); ++v) nodes[group[v]].push_back(v);
  using Entry = std::pair<std::string_view, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> ready;
  auto first_path = [&](std::size_t g) {
    return members[g].empty() ? std::string_view() : std::string_view(files[members[g][0]].path);
  };
  for (std::size_t g = 0; g < groups; ++g) {
    if (waiting[g] == 0) ready.push({first_path(g), g});
  }
  while (!ready.empty()) {
    const std::size_t g = ready.top().second;
    ready.pop();
    result.order.insert(result.order.end(), members[g].begin(), members[g].end());
    for (std::size_t v : nodes[g]) {
      for (std::size_t w : edges[v]) {
        if (group[w] != g && --waiting[group[w]] == 0) ready.push({first_path(group[w]), group[w]});
      }
    }
  }

  std::sort(result.problems.begin(), result.problems.end(), [&](const Problem& a, const Problem& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.kind == Problem::Kind::kMissing || a.kind == Problem::Kind::kDuplicate) {
      return std::make_pair(a.ruid.first, a.ruid.second) < std::make_pair(b.ruid.first, b.ruid.second);
    }
    return by_path(a.files[0], b.files[0]);
  });
  return result;
}

}  // namespace zmk
