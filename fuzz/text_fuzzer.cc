// Integer texts, RUID texts and the dependency list on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "header/dependency_list.h"
#include "header/ruid.h"
#include "platform/error.h"

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
  return 0;
}
