#include <cstdio>
#include <string>
#include <vector>

#include "header/ruid.h"
#include "plugin/fields.h"
#include "tools/zmkinfo/check.h"
#include "platform/host_charset.h"
#include "tools/zmkinfo/output.h"

namespace zmk {

namespace {

std::string JsonPaths(const std::vector<PackageFile>& files, const std::vector<std::size_t>& list) {
  std::string out = "[";
  for (std::size_t i = 0; i < list.size(); ++i) {
    out += (i ? ", " : "") + JsonString(files[list[i]].path);
  }
  return out + "]";
}

std::string DateText(double day_count) {
  HostDate d = DayCountToDate(day_count);
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{d.wYear}, unsigned{d.wMonth},
                unsigned{d.wDay});
  return text;
}

}  // namespace

std::string CheckJson(const std::vector<PackageFile>& files, const CheckResult& result) {
  std::string out = "{\"files\": " + std::to_string(files.size()) + ", \"problems\": [";
  for (std::size_t i = 0; i < result.problems.size(); ++i) {
    const Problem& p = result.problems[i];
    out += std::string(i ? ", " : "") + "{\"kind\": \"" + KindName(p.kind) + "\", ";
    switch (p.kind) {
      case Problem::Kind::kMissing:
        out += "\"ruid\": " + JsonString(RUIDToStr(p.ruid)) +
               ", \"needed_by\": " + JsonPaths(files, p.files);
        break;
      case Problem::Kind::kDuplicate:
        out += "\"ruid\": " + JsonString(RUIDToStr(p.ruid)) +
               ", \"files\": " + JsonPaths(files, p.files);
        break;
      case Problem::Kind::kCycle:
        out += "\"files\": " + JsonPaths(files, p.files);
        break;
      case Problem::Kind::kNotZMK:
      case Problem::Kind::kDamaged:
        out += "\"file\": " + JsonString(files[p.files[0]].path);
        break;
      case Problem::Kind::kUnreadable:
        out += "\"file\": " + JsonString(files[p.files[0]].path) +
               ", \"error\": " + JsonString(files[p.files[0]].error);
        break;
    }
    out += "}";
  }
  return out + "], \"order\": " + JsonPaths(files, result.order) + "}\n";
}

std::string CheckText(const std::vector<PackageFile>& files, const CheckResult& result) {
  std::string out;
  auto path = [&](std::size_t i) { return Escaped(files[i].path); };
  for (const Problem& p : result.problems) {
    switch (p.kind) {
      case Problem::Kind::kMissing:
        out += "missing " + RUIDToStr(p.ruid) + ", needed by:\n";
        for (std::size_t f : p.files) out += "  " + path(f) + "\n";
        break;
      case Problem::Kind::kDuplicate:
        out += "duplicate " + RUIDToStr(p.ruid) + ", newest first:\n";
        for (std::size_t f : p.files) {
          out += "  " + path(f) + ": version " + std::to_string(files[f].version) + " of " +
                 DateText(files[f].modified) + ", " + Escaped(Cp1251ToTerminal(files[f].name)) + "\n";
        }
        break;
      case Problem::Kind::kCycle:
        out += "cycle, these depend on each other:\n";
        for (std::size_t f : p.files) out += "  " + path(f) + "\n";
        break;
      case Problem::Kind::kNotZMK:
        out += "not a ZMK file: " + path(p.files[0]) + "\n";
        break;
      case Problem::Kind::kDamaged:
        out += "damaged, the header ends early: " + path(p.files[0]) + "\n";
        break;
      case Problem::Kind::kUnreadable:
        out += "unreadable: " + path(p.files[0]) + ": " + Escaped(files[p.files[0]].error) + "\n";
        break;
    }
  }
  out += std::to_string(files.size()) + " files, " + std::to_string(result.problems.size()) +
         (result.problems.size() == 1 ? " problem" : " problems") + "\n";
  out += "import order:\n";
  for (std::size_t f : result.order) {
    out += "  " + path(f) + "  " + RUIDToStr(files[f].ruid) + " " +
           Escaped(Cp1251ToTerminal(files[f].name)) + "\n";
  }
  return out;
}

}  // namespace zmk
