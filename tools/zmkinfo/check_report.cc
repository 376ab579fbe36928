#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "header/ruid.h"
#include "platform/cp1251.h"
#include "platform/host_charset.h"
#include "plugin/fields.h"
#include "tools/zmkinfo/check.h"
#include "tools/zmkinfo/min_version.h"
#include "tools/zmkinfo/output.h"

namespace zmk {

// A name as a host is shown it: the module hands strings over ending at
// their first NUL. A name of a megabyte is cut for the report.
constexpr std::size_t kShownNameBytes = 200;

std::string ShownName(const std::string& name) {
  std::string shown = name.substr(0, name.find('\0'));
  if (shown.size() > kShownNameBytes) shown.replace(kShownNameBytes, std::string::npos, "...");
  return shown;
}

namespace {

// A stated version text for the terminal, whole but for its length.
std::string ShownText(const std::string& text) {
  return Quoted(Cp1251ToTerminal(text.size() > kShownNameBytes
                                     ? text.substr(0, kShownNameBytes) + "..."
                                     : text));
}

std::string NameText(const PackageFile& file) {
  return Escaped(Cp1251ToTerminal(ShownName(file.name)));
}

}  // namespace

std::string FileDate(double modified) {
  if (!ValidDate(modified)) return "no valid date";
  HostDate d = DayCountToDate(modified);
  return DateText(d.wYear, d.wMonth, d.wDay);
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

namespace {

// A Graphviz string of lines of UTF-8: quotes and backslashes escaped,
// control characters shown as "\x1b", lines joined by "\n".
std::string DotString(const std::vector<std::string>& lines) {
  std::string out = "\"";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\\n";
    for (char c : lines[i]) {
      const auto b = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out += '\\';
        out += c;
      } else if (b < 0x20 || b == 0x7F) {
        char esc[8];
        std::snprintf(esc, sizeof esc, "\\\\x%02x", b);
        out += esc;
      } else {
        out += c;
      }
    }
  }
  return out + "\"";
}

// Which version a problem of the needs step is about.
struct NeedSide {
  const char* what;
  std::string PackageFile::*text;
};
NeedSide SideOf(Problem::Kind kind) {
  if (kind == Problem::Kind::kNeedsNewerExe || kind == Problem::Kind::kUnreadableExeVersion) {
    return {"program", &PackageFile::min_exe_version};
  }
  return {"database", &PackageFile::min_db_version};
}

// What the delivery needs of the program or of the database.
void WriteNeedJson(JsonWriter& json, const std::vector<PackageFile>& files, const VersionNeed& need,
                   std::string PackageFile::*text) {
  json.BeginObject();
  json.Key("version");
  if (need.files.empty()) {
    json.Null();
  } else {
    json.String(need.version);
  }
  json.Key("files");
  WritePathsJson(json, files, need.files);
  json.Key("unreadable");
  json.BeginArray();
  for (std::size_t f : need.unreadable) {
    json.BeginObject();
    json.Key("file");
    json.String(files[f].path);
    json.Key("text");
    json.String(Cp1251ToUtf8(files[f].*text));
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

std::string NeedText(const std::vector<PackageFile>& files, const VersionNeed& need,
                     std::string PackageFile::*text, const char* what) {
  std::string out;
  if (need.files.empty()) {
    out += std::string("no ") + what + " version stated\n";
  } else {
    out += std::string("needs ") + what + " " + need.version + " or newer, stated by:\n";
    for (std::size_t f : need.files) out += "  " + EscapedPath(files[f].path) + "\n";
  }
  if (!need.unreadable.empty()) out += what + std::string(" version that cannot be compared:\n");
  for (std::size_t f : need.unreadable) {
    out += "  " + EscapedPath(files[f].path) + ": " + ShownText(files[f].*text) + "\n";
  }
  return out;
}

}  // namespace

// One problem, for people.
std::string ProblemText(const std::vector<PackageFile>& files, const Problem& p) {
  std::string out;
  auto path = [&](std::size_t i) { return EscapedPath(files[i].path); };
  auto name = [&](std::size_t i) { return NameText(files[i]); };
  const std::size_t first = p.files[0];
  switch (p.kind) {
    case Problem::Kind::kMissing:
      out += "missing " + RUIDToStr(p.ruid) + ", needed by:\n";
      for (std::size_t f : p.files) out += "  " + path(f) + "\n";
      break;
    case Problem::Kind::kDuplicate:
      out += "duplicate " + RUIDToStr(p.ruid) + ", newest first:\n";
      for (std::size_t f : p.files) {
        out += "  " + path(f) + ": version " + std::to_string(files[f].version) + " of " +
               FileDate(files[f].modified) + ", " + name(f) + "\n";
      }
      break;
    case Problem::Kind::kCycle:
      out += "cycle, these depend on each other:\n";
      for (std::size_t f : p.files) out += "  " + path(f) + "\n";
      break;
    case Problem::Kind::kNeedsNewerExe:
    case Problem::Kind::kNeedsNewerDb: {
      const NeedSide side = SideOf(p.kind);
      out += std::string("needs a newer ") + side.what + ": " + path(first) + ": needs " +
             std::string(TrimBlanks(files[first].*side.text)) + ", have " + Escaped(p.have) + "\n";
      break;
    }
    case Problem::Kind::kUnreadableExeVersion:
    case Problem::Kind::kUnreadableDbVersion: {
      const NeedSide side = SideOf(p.kind);
      out += side.what + std::string(" version that cannot be compared: ") + path(first) +
             ": " + ShownText(files[first].*side.text) + "\n";
      break;
    }
    case Problem::Kind::kDependenciesCut:
      out += "dependency text cut: " + path(first) + ": " +
             std::to_string(files[first].depends_declared) + " bytes declared, " +
             std::to_string(files[first].depends_kept) + " read\n";
      break;
    case Problem::Kind::kNotZMK:
      out += "not a ZMK file: " + path(first) + "\n";
      break;
    case Problem::Kind::kDamaged:
      out += "damaged, the header ends early: " + path(first) + "\n";
      break;
    case Problem::Kind::kUnreadable:
      out += "unreadable: " + path(first) + ": " + Escaped(files[first].error) + "\n";
      break;
    case Problem::Kind::kNoPackages:
      out += "no ZMK package in: " + path(first) + "\n";
      break;
  }
  return out;
}

namespace {

// What goes to a writer, handed on in pieces of about 64 KiB: few writes,
// little held.
class DotPieces {
 public:
  explicit DotPieces(const std::function<void(std::string_view)>& write) : write_(write) {}
  ~DotPieces() { write_(out_); }
  DotPieces(const DotPieces&) = delete;
  DotPieces& operator=(const DotPieces&) = delete;
  DotPieces& operator<<(std::string_view text) {
    out_ += text;
    if (out_.size() >= 64 * 1024) {
      write_(out_);
      out_.clear();
    }
    return *this;
  }

 private:
  const std::function<void(std::string_view)>& write_;
  std::string out_;
};

// Packages: duplicates filled orange, cycle members red; each labelled with
// what marks it, so that the picture says it without colours too.
void DotNodes(const std::vector<PackageFile>& files, const CheckResult& result, DotPieces& out) {
  std::set<std::size_t> duplicated;
  for (const Problem& p : result.problems) {
    if (p.kind == Problem::Kind::kDuplicate) duplicated.insert(p.files.begin(), p.files.end());
  }
  for (std::size_t f : result.order) {
    const PackageFile& p = files[f];
    std::vector<std::string> label{RUIDToStr(p.ruid), Cp1251ToUtf8(ShownName(p.name))};
    std::string attributes;
    if (duplicated.count(f)) {
      label.push_back("duplicate: version " + std::to_string(p.version) + " of " +
                      FileDate(p.modified));
      attributes += ", style=\"rounded,filled\", fillcolor=orange";
    }
    if (result.cycle_of[f] != kNoCycle) {
      label.push_back("cycle");
      attributes += ", color=red, penwidth=2";
    }
    out << "  p" << std::to_string(f) << " [label=" << DotString(label) << attributes << "];\n";
  }
}

// Edges from a package to what it depends on: each package carrying the
// RUID, or the RUID's own node when none does.
void DotEdges(const std::vector<PackageFile>& files, const CheckResult& result, DotPieces& out) {
  const DeliveryIndex index = IndexDelivery(files);
  std::set<std::uint64_t> missing;
  for (std::size_t f : result.order) {
    std::set<std::uint64_t> keys;
    for (const TRUID& d : files[f].depends_on) keys.insert(RUIDKey(d));
    const std::string from = "  p" + std::to_string(f) + " -> ";
    for (std::uint64_t key : keys) {
      const auto carried = index.carriers.find(key);
      if (carried == index.carriers.end()) {
        missing.insert(key);
        out << from << "\"missing " << RUIDToStr(index.ruids.at(key))
            << "\" [style=dashed, color=red];\n";
        continue;
      }
      for (std::size_t c : carried->second) {
        const bool in_cycle = result.cycle_of[f] != kNoCycle && result.cycle_of[f] == result.cycle_of[c];
        out << from << "p" << std::to_string(c) << (in_cycle ? " [color=red, penwidth=2]" : "")
            << ";\n";
      }
    }
  }
  for (std::uint64_t key : missing) {
    out << "  \"missing " << RUIDToStr(index.ruids.at(key)) << "\" [label="
        << DotString({RUIDToStr(index.ruids.at(key)), "missing"})
        << ", style=\"dashed,filled\", fillcolor=\"#ffdddd\", color=red, fontcolor=red];\n";
  }
}

}  // namespace

void WritePathsJson(JsonWriter& json, const std::vector<PackageFile>& files,
                    const std::vector<std::size_t>& list) {
  json.BeginArray();
  for (std::size_t f : list) json.String(files[f].path);
  json.EndArray();
}

void WriteProblemJson(JsonWriter& json, const std::vector<PackageFile>& files, const Problem& p) {
  const PackageFile& first = files[p.files[0]];
  json.BeginObject();
  json.Key("kind");
  json.String(KindName(p.kind));
  switch (p.kind) {
    case Problem::Kind::kMissing:
    case Problem::Kind::kDuplicate:
      json.Key("ruid");
      json.String(RUIDToStr(p.ruid));
      json.Key(p.kind == Problem::Kind::kMissing ? "needed_by" : "files");
      WritePathsJson(json, files, p.files);
      break;
    case Problem::Kind::kCycle:
      json.Key("files");
      WritePathsJson(json, files, p.files);
      break;
    case Problem::Kind::kNoPackages:
      json.Key("path");
      json.String(first.path);
      break;
    case Problem::Kind::kNeedsNewerExe:
    case Problem::Kind::kNeedsNewerDb:
      json.Key("file");
      json.String(first.path);
      json.Key("needs");
      json.String(TrimBlanks(first.*SideOf(p.kind).text));
      json.Key("have");
      json.String(p.have);
      break;
    case Problem::Kind::kUnreadableExeVersion:
    case Problem::Kind::kUnreadableDbVersion:
      json.Key("file");
      json.String(first.path);
      json.Key("text");
      json.String(Cp1251ToUtf8(first.*SideOf(p.kind).text));
      break;
    case Problem::Kind::kDependenciesCut:
    case Problem::Kind::kNotZMK:
    case Problem::Kind::kDamaged:
    case Problem::Kind::kUnreadable:
      json.Key("file");
      json.String(first.path);
      if (p.kind == Problem::Kind::kDependenciesCut) {
        json.Key("declared");
        json.Uint(first.depends_declared);
        json.Key("kept");
        json.Uint(first.depends_kept);
      } else if (p.kind == Problem::Kind::kUnreadable) {
        json.Key("error");
        json.String(first.error);
      }
  }
  json.EndObject();
}

void WriteFilesAndProblemsJson(JsonWriter& json, const std::vector<PackageFile>& files,
                               std::size_t packages, const std::vector<Problem>& problems) {
  json.Key("files");
  json.Uint(packages);
  json.Key("problems");
  json.BeginArray();
  for (const Problem& p : problems) WriteProblemJson(json, files, p);
  json.EndArray();
}

std::string CheckJson(const std::vector<PackageFile>& files, const CheckResult& result) {
  std::string out;
  JsonWriter json(&out);
  json.BeginObject();
  WriteFilesAndProblemsJson(json, files, result.packages, result.problems);
  json.Key("needs");
  json.BeginObject();
  json.Key("exe");
  WriteNeedJson(json, files, result.needs.exe, &PackageFile::min_exe_version);
  json.Key("db");
  WriteNeedJson(json, files, result.needs.db, &PackageFile::min_db_version);
  json.EndObject();
  json.Key("order");
  WritePathsJson(json, files, result.order);
  json.EndObject();
  return out;
}

std::string CheckText(const std::vector<PackageFile>& files, const CheckResult& result) {
  std::string out;
  auto path = [&](std::size_t i) { return EscapedPath(files[i].path); };
  auto name = [&](std::size_t i) { return NameText(files[i]); };
  for (const Problem& p : result.problems) out += ProblemText(files, p);
  out += Count(result.packages, "file", "files") + ", " +
         Count(result.problems.size(), "problem", "problems") + "\n";
  out += NeedText(files, result.needs.exe, &PackageFile::min_exe_version, "program");
  out += NeedText(files, result.needs.db, &PackageFile::min_db_version, "database");
  out += "import order:\n";
  for (std::size_t f : result.order) {
    out += "  " + path(f) + "  " + RUIDToStr(files[f].ruid) + " " + name(f) + "\n";
  }
  return out;
}

void CheckDot(const std::vector<PackageFile>& files, const CheckResult& result,
              const std::function<void(std::string_view)>& write) {
  DotPieces out(write);
  out << "digraph delivery {\n"
         "  node [shape=box, style=rounded, fontname=\"sans-serif\"];\n"
         "  edge [color=\"#555555\"];\n";
  DotNodes(files, result, out);
  DotEdges(files, result, out);
  out << "}\n";
}

}  // namespace zmk
