// The list of RUID texts a package depends on, and its comma-text form.
#ifndef ZMK_HEADER_DEPENDENCY_LIST_H_
#define ZMK_HEADER_DEPENDENCY_LIST_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zmk {

using StringList = std::vector<std::string>;

// Calls `line` with each line of `text`: CR LF, a lone LF and a lone CR
// each end one; a NUL byte ends the text. A line end at the very end adds
// no empty line.
template <typename LineFn>
void ForEachLine(const std::string& text, LineFn line) {
  const char* p = text.c_str();  // NUL-terminated even when text holds NULs
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && *p != '\r' && *p != '\n') ++p;
    line(std::string_view(start, static_cast<std::size_t>(p - start)));
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
  }
}

// The dependency list of a header: the lines of `text`, each with one pair
// of enclosing single quotes removed, keeping only those that are valid
// RUID texts or became empty by losing their quotes. Never fails.
// Into `list`, reusing its entries' buffers.
void BuildDependencyList(const std::string& text, StringList* list);

// A dependency text that was cut after its first bytes ends in a line that
// may be cut short: drops it, unless a NUL byte ended the text before.
void DropCutLine(std::string* text);

// Entries joined by commas; an entry holding a blank, a control character, a
// double quote or a comma is double-quoted with its quotes doubled. A list
// of one empty entry gives two double quotes. Into `out`, reusing its buffer.
void CommaText(const StringList& list, std::string* out);

}  // namespace zmk

#endif  // ZMK_HEADER_DEPENDENCY_LIST_H_
