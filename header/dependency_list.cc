#include "header/dependency_list.h"

#include <string_view>

#include "header/ruid.h"
#include "platform/file.h"

namespace zmk {

namespace {

bool NeedsQuotes(const std::string& entry) {
  const char* end = entry.c_str() + entry.size();
  const char* p = entry.c_str();
  while (p < end) {
    unsigned char c = static_cast<unsigned char>(*p);
    if ((c >= 0x01 && c <= ' ') || c == '"' || c == ',') return true;
    // The character step stops at a NUL; the test goes on past it.
    p = c == 0 ? p + 1 : NextChar(p);
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

StringList BuildDependencyList(const std::string& text) {
  // Each line is cleaned on its own, so one pass over the text serves,
  // whatever number of lines a damaged file holds.
  StringList list;
  ForEachLine(text, [&](std::string_view entry) {
    if (entry.empty()) return;
    if (entry.front() == '\'' && entry.back() == '\'') {
      entry = entry.size() < 2 ? std::string_view()
                               : entry.substr(1, entry.size() - 2);
    }
    // An entry that lost its quotes and is now empty stands for no RUID
    // and stays.
    if (IsRUIDText(entry)) list.emplace_back(entry);
  });
  return list;
}

std::string CommaText(const StringList& list) {
  if (list.size() == 1 && list[0].empty()) return "\"\"";
  std::string out;
  std::size_t size = list.size();
  for (const std::string& entry : list) size += entry.size() + 2;
  out.reserve(size);
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out += ',';
    out += NeedsQuotes(list[i]) ? Quoted(list[i]) : list[i];
  }
  return out;
}

}  // namespace zmk
