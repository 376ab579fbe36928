#include "tools/zmkinfo/min_version.h"

#include <cstddef>

namespace zmk {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The next group of `v` from `*at` on, leading zeros dropped, and `*at`
// past its dot; past the end, the empty group, which stands for 0.
std::string_view NextGroup(std::string_view v, std::size_t* at) {
  if (*at >= v.size()) return {};
  std::size_t end = v.find('.', *at);
  if (end == std::string_view::npos) end = v.size();
  std::size_t start = *at;
  while (start < end && v[start] == '0') ++start;
  *at = end + 1;
  return v.substr(start, end - start);
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

VersionForm ReadVersion(std::string_view text, std::string_view* version) {
  const std::string_view v = TrimBlanks(text);
  if (v.empty()) return VersionForm::kNone;
  bool digit_before = false;  // a dot must follow a digit and precede one
  for (char c : v) {
    if (IsDigit(c)) {
      digit_before = true;
    } else if (c == '.' && digit_before) {
      digit_before = false;
    } else {
      return VersionForm::kUnreadable;
    }
  }
  if (!digit_before) return VersionForm::kUnreadable;
  *version = v;
  return VersionForm::kVersion;
}

int CompareVersions(std::string_view a, std::string_view b) {
  std::size_t at_a = 0, at_b = 0;
  while (at_a < a.size() || at_b < b.size()) {
    const std::string_view x = NextGroup(a, &at_a), y = NextGroup(b, &at_b);
    // Without leading zeros, the longer number is the greater.
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  return 0;
}

}  // namespace zmk
