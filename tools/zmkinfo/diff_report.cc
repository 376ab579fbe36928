#include <string>
#include <vector>

#include "header/ruid.h"
#include "platform/cp1251.h"
#include "platform/host_charset.h"
#include "tools/zmkinfo/check.h"
#include "tools/zmkinfo/diff.h"
#include "tools/zmkinfo/json.h"
#include "tools/zmkinfo/min_version.h"
#include "tools/zmkinfo/output.h"

namespace zmk {

namespace {

// The fields, in the order the reports give them, with their keys.
struct FieldRow {
  DiffField field;
  const char* key;
};
constexpr FieldRow kFieldRows[] = {
    {kDiffName, "name"},
    {kDiffComment, "comment"},
    {kDiffModified, "modified"},
    {kDiffVersion, "version"},
    {kDiffFinal, "final"},
    {kDiffDependsOn, "depends_on"},
    {kDiffMinExeVersion, "min_exe_version"},
    {kDiffMinDBVersion, "min_db_version"},
};

// A header's text for a terminal, quoted so that an empty one shows.
std::string QuotedText(std::string_view text) {
  return Quoted(Cp1251ToTerminal(ShownName(std::string(text))));
}

std::string TextValue(const PackageFile& f, DiffField field) {
  switch (field) {
    case kDiffName: return QuotedText(f.name);
    case kDiffComment: return QuotedText(f.comment);
    case kDiffModified: return FileDate(f.modified);
    case kDiffVersion: return std::to_string(f.version);
    case kDiffFinal: return f.is_final ? "yes" : "no";
    case kDiffMinExeVersion: return QuotedText(TrimBlanks(f.min_exe_version));
    case kDiffMinDBVersion: return QuotedText(TrimBlanks(f.min_db_version));
    case kDiffDependsOn: break;
  }
  return "";
}

std::string RUIDList(const std::vector<TRUID>& ruids) {
  std::string out;
  for (const TRUID& r : ruids) out += (out.empty() ? "" : ", ") + RUIDToStr(r);
  return out;
}

std::string SideText(const char* which, const std::vector<PackageFile>& files,
                     const DiffSide& side) {
  std::string out = std::string(which) + ": " + Count(side.packages, "file", "files") + ", " +
                    Count(side.problems.size(), "problem", "problems") + "\n";
  for (const Problem& p : side.problems) {
    const std::string text = ProblemText(files, p);
    std::size_t line = 0;
    for (std::size_t end; (end = text.find('\n', line)) != std::string::npos; line = end + 1) {
      out += "  " + text.substr(line, end + 1 - line);
    }
  }
  return out;
}

// "added 500_1: PATH, version 1, NAME"
std::string PackageLine(const char* what, const PackageFile& f) {
  return std::string(what) + " " + RUIDToStr(f.ruid) + ": " + EscapedPath(f.path) + ", version " +
         std::to_string(f.version) + ", " + QuotedText(f.name) + "\n";
}

std::string ChangeText(const PackageFile& a, const PackageFile& b, const PackageChange& c) {
  std::string out = std::string(MoveName(c.move)) + " " + RUIDToStr(c.ruid) + ": " +
                    EscapedPath(a.path) + " -> " + EscapedPath(b.path) + "\n";
  for (const FieldRow& row : kFieldRows) {
    if (!(c.fields & row.field)) continue;
    out += std::string("  ") + row.key + ": ";
    if (row.field != kDiffDependsOn) {
      out += TextValue(a, row.field) + " -> " + TextValue(b, row.field) + "\n";
      continue;
    }
    if (!c.depends_added.empty()) out += "added " + RUIDList(c.depends_added);
    if (!c.depends_added.empty() && !c.depends_removed.empty()) out += "; ";
    if (!c.depends_removed.empty()) out += "removed " + RUIDList(c.depends_removed);
    out += "\n";
  }
  return out;
}

// A header's text in UTF-8, as the text report shows it.
std::string Utf8Text(std::string_view text) { return Cp1251ToUtf8(ShownName(std::string(text))); }

void WriteValueJson(JsonWriter& json, const PackageFile& f, DiffField field) {
  switch (field) {
    case kDiffName: json.String(Utf8Text(f.name)); break;
    case kDiffComment: json.String(Utf8Text(f.comment)); break;
    case kDiffModified:
      if (ValidDate(f.modified)) {
        json.String(FileDate(f.modified));
      } else {
        json.Null();
      }
      break;
    case kDiffVersion: json.Int(f.version); break;
    case kDiffFinal: json.Bool(f.is_final != 0); break;
    case kDiffMinExeVersion: json.String(Utf8Text(TrimBlanks(f.min_exe_version))); break;
    case kDiffMinDBVersion: json.String(Utf8Text(TrimBlanks(f.min_db_version))); break;
    case kDiffDependsOn: break;
  }
}

void WriteRUIDsJson(JsonWriter& json, const std::vector<TRUID>& ruids) {
  json.BeginArray();
  for (const TRUID& r : ruids) json.String(RUIDToStr(r));
  json.EndArray();
}

void WriteSideJson(JsonWriter& json, const std::vector<PackageFile>& files, const DiffSide& side) {
  json.BeginObject();
  WriteFilesAndProblemsJson(json, files, side.packages, side.problems);
  json.EndObject();
}

void StringMember(JsonWriter& json, const char* key, std::string_view value) {
  json.Key(key);
  json.String(value);
}

void WritePackageJson(JsonWriter& json, const PackageFile& f) {
  json.BeginObject();
  StringMember(json, "ruid", RUIDToStr(f.ruid));
  StringMember(json, "file", f.path);
  StringMember(json, "name", Utf8Text(f.name));
  json.Key("version");
  json.Int(f.version);
  json.EndObject();
}

void WriteChangeJson(JsonWriter& json, const PackageFile& a, const PackageFile& b,
                     const PackageChange& c) {
  json.BeginObject();
  StringMember(json, "ruid", RUIDToStr(c.ruid));
  StringMember(json, "old", a.path);
  StringMember(json, "new", b.path);
  StringMember(json, "move", MoveName(c.move));
  json.Key("fields");
  json.BeginObject();
  for (const FieldRow& row : kFieldRows) {
    if (!(c.fields & row.field)) continue;
    json.Key(row.key);
    json.BeginObject();
    json.Key(row.field == kDiffDependsOn ? "added" : "old");
    if (row.field == kDiffDependsOn) {
      WriteRUIDsJson(json, c.depends_added);
      json.Key("removed");
      WriteRUIDsJson(json, c.depends_removed);
    } else {
      WriteValueJson(json, a, row.field);
      json.Key("new");
      WriteValueJson(json, b, row.field);
    }
    json.EndObject();
  }
  json.EndObject();
  json.EndObject();
}

}  // namespace

std::string DiffText(const std::vector<PackageFile>& old_files,
                     const std::vector<PackageFile>& new_files, const DeliveryDiff& diff) {
  std::string out = SideText("old", old_files, diff.old_side) +
                    SideText("new", new_files, diff.new_side);
  for (std::size_t f : diff.added) out += PackageLine("added", new_files[f]);
  for (std::size_t f : diff.removed) out += PackageLine("removed", old_files[f]);
  std::size_t moves[3] = {0, 0, 0};
  for (const PackageChange& c : diff.changed) {
    out += ChangeText(old_files[c.old_file], new_files[c.new_file], c);
    ++moves[static_cast<int>(c.move)];
  }
  out += std::to_string(diff.added.size()) + " added, " + std::to_string(diff.removed.size()) +
         " removed, " + std::to_string(diff.changed.size()) + " changed (" +
         std::to_string(moves[0]) + " downgraded, " + std::to_string(moves[1]) +
         " same_version, " + std::to_string(moves[2]) + " upgraded), " +
         std::to_string(diff.unchanged) + " unchanged\n";
  return out;
}

std::string DiffJson(const std::vector<PackageFile>& old_files,
                     const std::vector<PackageFile>& new_files, const DeliveryDiff& diff) {
  std::string out;
  JsonWriter json(&out);
  json.BeginObject();
  json.Key("old");
  WriteSideJson(json, old_files, diff.old_side);
  json.Key("new");
  WriteSideJson(json, new_files, diff.new_side);
  json.Key("added");
  json.BeginArray(JsonWriter::Layout::kLines);
  for (std::size_t f : diff.added) WritePackageJson(json, new_files[f]);
  json.EndArray();
  json.Key("removed");
  json.BeginArray(JsonWriter::Layout::kLines);
  for (std::size_t f : diff.removed) WritePackageJson(json, old_files[f]);
  json.EndArray();
  json.Key("changed");
  json.BeginArray(JsonWriter::Layout::kLines);
  for (const PackageChange& c : diff.changed) {
    WriteChangeJson(json, old_files[c.old_file], new_files[c.new_file], c);
  }
  json.EndArray();
  json.Key("unchanged");
  json.Uint(diff.unchanged);
  json.EndObject();
  json.Flush();
  return out;
}

}  // namespace zmk
