#include "header/ruid.h"

#include "header/bytes.h"
#include "header/coding.h"
#include "platform/error.h"

namespace zmk {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of a decimal digit; anything else gives more than 9.
unsigned DecimalDigit(char c) {
  return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';  // wraps below '0'
}

// Returns false for a text that breaks the rules.
bool ParseInt(const char* s, std::size_t n, std::int32_t* value) {
  std::size_t i = 0;
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';

  bool hex = false;
  if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    i += 1;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;  // no digit at all

  std::uint32_t magnitude = 0;
  if (hex) {
    int significant = 0;
    for (; i < n; ++i) {
      int d = HexDigit(s[i]);
      if (d < 0) return false;
      if (significant > 0 || d != 0) ++significant;
      if (significant > 8) return false;
      magnitude = magnitude << 4 | static_cast<std::uint32_t>(d);
    }
    // The pattern is two's complement; a minus sign negates it mod 2^32.
    *value = ToInt32(negative ? 0u - magnitude : magnitude);
    return true;
  }

  const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  std::uint64_t decimal = 0;  // never past limit * 10 + 9
  for (; i < n; ++i) {
    const unsigned digit = DecimalDigit(s[i]);
    if (digit > 9) return false;
    decimal = decimal * 10 + digit;
    if (decimal > limit) return false;
  }
  magnitude = static_cast<std::uint32_t>(decimal);
  *value = ToInt32(negative ? 0u - magnitude : magnitude);
  return true;
}

enum class RUIDStatus { kOk, kBadFirst, kBadSecond, kNotPositive };

// Only the first 255 bytes after the underscore are looked at.
constexpr std::size_t kSecondNumberBytes = 255;

RUIDStatus ParseRUID(std::string_view text, std::size_t underscore,
                     TRUID* ruid) {
  if (!ParseInt(text.data(), underscore, &ruid->first)) {
    return RUIDStatus::kBadFirst;
  }
  std::size_t rest = text.size() - underscore - 1;
  if (!ParseInt(text.data() + underscore + 1,
                rest < kSecondNumberBytes ? rest : kSecondNumberBytes,
                &ruid->second)) {
    return RUIDStatus::kBadSecond;
  }
  if (ruid->first <= 0 || ruid->second <= 0) return RUIDStatus::kNotPositive;
  return RUIDStatus::kOk;
}

}  // namespace

std::int32_t StrToInt(const std::string& text) {
  std::int32_t value;
  if (!ParseInt(text.data(), text.size(), &value)) throw InvalidInteger(text);
  return value;
}

std::string RUIDToStr(const TRUID& ruid) {
  std::string text;
  RUIDToStr(ruid, &text);
  return text;
}

namespace {

// Writes `value` in shortest decimal ending just before `end`; returns where
// it begins.
char* FormatDecimal(std::int32_t value, char* end) {
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  do {
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--end = '-';
  return end;
}

}  // namespace

void RUIDToStr(const TRUID& ruid, std::string* out) {
  out->clear();
  if (ruid.first == -1 || ruid.second == -1) return;
  char buf[24];  // "-2147483648_-2147483648"
  char* end = buf + sizeof buf;
  char* begin = FormatDecimal(ruid.second, end);
  *--begin = '_';
  begin = FormatDecimal(ruid.first, begin);
  ReplaceBytes(out, begin, static_cast<std::size_t>(end - begin));
}

TRUID StrToRUID(const std::string& text) {
  if (text.empty()) return TRUID{-1, -1};
  std::size_t underscore = text.find('_');
  if (underscore == std::string::npos) throw InvalidRUIDString();
  TRUID ruid;
  switch (ParseRUID(text, underscore, &ruid)) {
    case RUIDStatus::kOk:
      return ruid;
    case RUIDStatus::kBadFirst:
      throw InvalidInteger(text.substr(0, underscore));
    case RUIDStatus::kBadSecond:
      throw InvalidInteger(text.substr(underscore + 1, kSecondNumberBytes));
    case RUIDStatus::kNotPositive:
      break;
  }
  throw InvalidRUIDString();
}

namespace {

// Where the digits from `i` on end, when they are one side of the common
// shape: one to nine digits, not all zeros. npos when they are not.
std::size_t PlainNumberEnd(std::string_view text, std::size_t i) {
  const std::size_t start = i;
  while (i < text.size() && text[i] == '0') ++i;
  const std::size_t significant = i;
  while (i < text.size() && DecimalDigit(text[i]) <= 9) ++i;
  if (i == significant || i - start > 9) return std::string_view::npos;
  return i;
}

// The common shape "digits_digits": valid on sight, since nine digits
// never leave the range.
bool IsPlainRUIDText(std::string_view text) {
  const std::size_t underscore = PlainNumberEnd(text, 0);
  if (underscore >= text.size() || text[underscore] != '_') return false;
  return PlainNumberEnd(text, underscore + 1) == text.size();
}

}  // namespace

bool IsRUIDText(std::string_view text) {
  if (text.empty() || IsPlainRUIDText(text)) return true;
  std::size_t underscore = text.find('_');
  TRUID ruid;
  return underscore != std::string::npos &&
         ParseRUID(text, underscore, &ruid) == RUIDStatus::kOk;
}

}  // namespace zmk
