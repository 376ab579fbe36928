// Integer texts, RUID texts, the dependency list and minimum versions on
// arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "header/dependency_list.h"
#include "header/ruid.h"
#include "platform/error.h"
#include "tools/zmkinfo/min_version.h"

namespace {

// A slow, obviously right reading of the integer rules for decimal texts.
bool ReferenceDecimal(const std::string& s, long long* value) {
  std::size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) return false;
  bool negative = false;
  if (s[i] == '-' || s[i] == '+') negative = s[i++] == '-';
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) return false;
  }
  v = negative ? -v : v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  *value = v;
  return true;
}

bool HasHexPrefix(const std::string& s) {
  std::size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) return false;
  if (s[i] == '-' || s[i] == '+') ++i;
  return i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X' ||
                          (s[i] == '0' && i + 1 < s.size() &&
                           (s[i + 1] == 'x' || s[i + 1] == 'X')));
}

// A slow reading of the version rule: blanks dropped, then groups split at
// each dot, each of one or more digits; "" for a text that is no version.
// The version's plainest form: no leading zeros, no trailing zero groups.
std::string ReferenceVersion(const std::string& text, bool* is_version) {
  std::size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  *is_version = false;
  if (first == last) return "";
  std::vector<std::string> groups(1);
  for (std::size_t i = first; i < last; ++i) {
    if (text[i] == '.') {
      groups.emplace_back();
    } else if (text[i] >= '0' && text[i] <= '9') {
      groups.back() += text[i];
    } else {
      return "";
    }
  }
  for (std::string& g : groups) {
    if (g.empty()) return "";
    g.erase(0, g.find_first_not_of('0'));
    if (g.empty()) g = "0";
  }
  *is_version = true;
  while (groups.size() > 1 && groups.back() == "0") groups.pop_back();
  std::string plain = groups[0];
  for (std::size_t i = 1; i < groups.size(); ++i) plain += "." + groups[i];
  return plain;
}

int Sign(int c) { return (c > 0) - (c < 0); }

// Up to three texts split at '|': the reading of each, and the order on
// those that are versions: equal exactly when their plainest forms are,
// antisymmetric, transitive.
void CheckVersions(const std::string& text) {
  std::vector<std::string> texts;
  for (std::size_t at = 0; texts.size() < 3;) {
    const std::size_t bar = text.find('|', at);
    texts.push_back(text.substr(at, bar == std::string::npos ? bar : bar - at));
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  std::vector<std::string_view> versions;
  std::vector<std::string> plain;
  for (const std::string& t : texts) {
    bool is_version;
    std::string p = ReferenceVersion(t, &is_version);
    std::string_view v;
    const zmk::VersionForm form = zmk::ReadVersion(t, &v);
    if ((form == zmk::VersionForm::kVersion) != is_version) std::abort();
    if ((form == zmk::VersionForm::kNone) != zmk::TrimBlanks(t).empty()) std::abort();
    if (!is_version) continue;
    std::string_view printed;
    if (zmk::ReadVersion(p, &printed) != zmk::VersionForm::kVersion) std::abort();
    if (zmk::CompareVersions(v, printed) != 0) std::abort();
    versions.push_back(v);
    plain.push_back(std::move(p));
  }
  const std::size_t n = versions.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      const int ij = Sign(zmk::CompareVersions(versions[i], versions[j]));
      if (ij != -Sign(zmk::CompareVersions(versions[j], versions[i]))) std::abort();
      if ((ij == 0) != (plain[i] == plain[j])) std::abort();
      for (std::size_t k = 0; k < n; ++k) {
        const int jk = Sign(zmk::CompareVersions(versions[j], versions[k]));
        const int ik = Sign(zmk::CompareVersions(versions[i], versions[k]));
        if (ij <= 0 && jk <= 0 && ik > 0) std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  bool converted = true;
  std::int32_t value = 0;
  try {
    value = zmk::StrToInt(text);
  } catch (const zmk::ConvertError&) {
    converted = false;
  }
  if (!HasHexPrefix(text)) {
    long long expected;
    bool ok = ReferenceDecimal(text, &expected);
    if (ok != converted || (ok && expected != value)) std::abort();
  }

  bool valid = true;
  try {
    zmk::StrToRUID(text);
  } catch (const zmk::ConvertError&) {
    valid = false;
  }
  if (valid != zmk::IsRUIDText(text)) std::abort();

  zmk::StringList list;
  zmk::BuildDependencyList(text, &list);
  for (const std::string& entry : list) {
    if (!zmk::IsRUIDText(entry)) std::abort();
  }
  std::string comma;
  zmk::CommaText(list, &comma);
  if (list.empty() != comma.empty()) std::abort();

  CheckVersions(text);
  return 0;
}
