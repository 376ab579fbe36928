#include "header/dependency_list.h"

#include <utility>

#include "header/ruid.h"
#include "platform/file.h"

namespace zmk {

namespace {

bool NeedsQuotes(const std::string& entry) {
  const char* end = entry.c_str() + entry.size();
  for (const char* p = entry.c_str(); p < end && *p != '\0'; p = NextChar(p)) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c <= ' ' || c == '"' || c == ',') return true;
  }
  return false;
}

std::string Quoted(const std::string& entry) {
  std::string out = "\"";
  for (char c : entry) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace

StringList SplitLines(const std::string& text) {
  StringList lines;
  const char* p = text.c_str();  // NUL-terminated even when text holds NULs
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && *p != '\r' && *p != '\n') ++p;
    lines.emplace_back(start, p);
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
  }
  return lines;
}

StringList BuildDependencyList(const std::string& text) {
  StringList list = SplitLines(text);
  // Entries that stay move up in place: one pass, whatever number of lines
  // a damaged file holds.
  std::size_t kept = 0;
  for (std::string& entry : list) {
    if (entry.empty()) continue;
    if (entry.front() == '\'' && entry.back() == '\'') {
      entry = entry.size() < 2 ? std::string()
                               : entry.substr(1, entry.size() - 2);
    }
    // An entry that lost its quotes and is now empty stands for no RUID
    // and stays.
    if (!IsRUIDText(entry)) continue;
    if (&list[kept] != &entry) list[kept] = std::move(entry);
    ++kept;
  }
  list.resize(kept);
  return list;
}

std::string CommaText(const StringList& list) {
  if (list.size() == 1 && list[0].empty()) return "\"\"";
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out += ',';
    out += NeedsQuotes(list[i]) ? Quoted(list[i]) : list[i];
  }
  return out;
}

}  // namespace zmk
