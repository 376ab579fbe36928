// The oldest program and database a package works with, as it states them:
// free text, which is a version only in one plain form.
//
// A version is one or more groups of decimal digits joined by single dots,
// with spaces and tabs at either end dropped (only those: CR, LF, a NUL or
// anything else keeps the text from being one). Versions compare group by
// group as whole numbers of any length, leading zeros counting for nothing
// and a missing group for 0: "2.10" is newer than "2.9", "4.2" equals
// "4.2.0.0". Text compared as text, or groups read into a fixed-size
// integer, would get both wrong.
#ifndef ZMK_TOOLS_ZMKINFO_MIN_VERSION_H_
#define ZMK_TOOLS_ZMKINFO_MIN_VERSION_H_

#include <string_view>

namespace zmk {

enum class VersionForm {
  kNone,     // empty after the blanks: no requirement
  kVersion,
  kUnreadable,  // cannot be compared, so never taken as met
};

// `text` without the spaces and tabs at either end.
std::string_view TrimBlanks(std::string_view text);

// What `text` states; for a version, `*version` is its text, trimmed.
VersionForm ReadVersion(std::string_view text, std::string_view* version);

// Below, at or above 0 as version `a` is older than, equal to or newer
// than `b`. Both must be versions as ReadVersion gives them.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_MIN_VERSION_H_
