#include "header/dependency_list.h"

#include <string_view>

#include "header/bytes.h"
#include "header/ruid.h"
#include "platform/file.h"

namespace zmk {

namespace {

// Whether any byte of `text` lies below '-', as every byte that calls for
// quotes does; eight bytes at a time, since few entries hold one.
bool HasByteBelowDash(const std::string& text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  for (; end - p >= 8; p += 8) {
    if (HasByteBelow(LoadWord(p), '-')) return true;
  }
  for (; p < end; ++p) {
    if (static_cast<unsigned char>(*p) < '-') return true;
  }
  return false;
}

bool NeedsQuotes(const std::string& entry) {
  if (!HasByteBelowDash(entry)) return false;
  // Such a byte counts only where a character starts.
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

void AppendQuoted(const std::string& entry, std::string* out) {
  *out += '"';
  for (char c : entry) {
    if (c == '"') *out += '"';
    *out += c;
  }
  *out += '"';
}

}  // namespace

void BuildDependencyList(const std::string& text, StringList* list) {
  // Each line is cleaned on its own, so one pass over the text serves,
  // whatever number of lines a damaged file holds.
  std::size_t count = 0;
  ForEachLine(text, [&](std::string_view entry) {
    if (entry.empty()) return;
    if (entry.front() == '\'' && entry.back() == '\'') {
      entry = entry.size() < 2 ? std::string_view()
                               : entry.substr(1, entry.size() - 2);
    }
    // An entry that lost its quotes and is now empty stands for no RUID
    // and stays.
    if (!IsRUIDText(entry)) return;
    if (count < list->size()) {
      ReplaceBytes(&(*list)[count], entry.data(), entry.size());
    } else {
      list->emplace_back(entry);
    }
    ++count;
  });
  list->resize(count);
}

void DropCutLine(std::string* text) {
  if (text->find('\0') != std::string::npos) return;
  std::size_t last_end = text->find_last_of("\r\n");
  text->resize(last_end == std::string::npos ? 0 : last_end + 1);
}

void CommaText(const StringList& list, std::string* out) {
  out->clear();
  if (list.size() == 1 && list[0].empty()) {
    *out = "\"\"";
    return;
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) *out += ',';
    if (NeedsQuotes(list[i])) {
      AppendQuoted(list[i], out);
    } else {
      *out += list[i];
    }
  }
}

}  // namespace zmk
