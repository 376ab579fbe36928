// The list of RUID texts a package depends on, and its comma-text form.
#ifndef ZMK_HEADER_DEPENDENCY_LIST_H_
#define ZMK_HEADER_DEPENDENCY_LIST_H_

#include <string>
#include <vector>

namespace zmk {

using StringList = std::vector<std::string>;

// Splits `text` into lines at CR LF, a lone LF or a lone CR; a NUL byte ends
// the text. A line end at the very end adds no empty line.
StringList SplitLines(const std::string& text);

// The dependency list of a header: the lines of `text`, each with one pair
// of enclosing single quotes removed, keeping only those that are valid
// RUID texts or became empty by losing their quotes. Never fails.
StringList BuildDependencyList(const std::string& text);

// Entries joined by commas; an entry holding a blank, a control character, a
// double quote or a comma is double-quoted with its quotes doubled. A list
// of one empty entry gives two double quotes.
std::string CommaText(const StringList& list);

}  // namespace zmk

#endif  // ZMK_HEADER_DEPENDENCY_LIST_H_
