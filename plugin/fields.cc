#include "plugin/fields.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "header/bytes.h"
#include "header/dependency_list.h"
#include "header/ruid.h"
#include "platform/cp1251.h"

namespace zmk {

namespace {

using Take = void (*)(const TSettingHeader&, TZMKRec*);

constexpr FieldInfo Text(const char* name, std::string TZMKRec::*text, Take take) {
  return {name, ft_string, text, nullptr, nullptr, take};
}

constexpr FieldInfo Number(const char* name, FieldType type, std::int32_t TZMKRec::*number,
                           Take take) {
  return {name, type, nullptr, nullptr, number, take};
}

// The header's item as it is.
template <auto Item, auto Value>
void Copy(const TSettingHeader& header, TZMKRec* rec) {
  rec->*Value = header.*Item;
}

}  // namespace

const FieldInfo kFields[kFieldCount] = {
    // РУИД
    Text("\xD0\xD3\xC8\xC4", &TZMKRec::RUIDText,
         [](const TSettingHeader& h, TZMKRec* r) { RUIDToStr(h.RUID, &r->RUIDText); }),
    // Наименование
    Text("\xCD\xE0\xE8\xEC\xE5\xED\xEE\xE2\xE0\xED\xE8\xE5", &TZMKRec::Name,
         Copy<&TSettingHeader::Name, &TZMKRec::Name>),
    // Комментарий
    Text("\xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9", &TZMKRec::Comment,
         Copy<&TSettingHeader::Comment, &TZMKRec::Comment>),
    // Изменен
    {"\xC8\xE7\xEC\xE5\xED\xE5\xED", ft_date, nullptr, &TZMKRec::Modified, nullptr,
     Copy<&TSettingHeader::Modified, &TZMKRec::Modified>},
    // Версия
    Number("\xC2\xE5\xF0\xF1\xE8\xFF", ft_numeric_32, &TZMKRec::Version,
           Copy<&TSettingHeader::Version, &TZMKRec::Version>),
    // Конечная
    Number("\xCA\xEE\xED\xE5\xF7\xED\xE0\xFF", ft_boolean, &TZMKRec::IsFinal,
           Copy<&TSettingHeader::IsFinal, &TZMKRec::IsFinal>),
    // Зависит от
    Text("\xC7\xE0\xE2\xE8\xF1\xE8\xF2 \xEE\xF2", &TZMKRec::DependsOnText,
         [](const TSettingHeader& h, TZMKRec* r) { CommaText(h.DependsOn, &r->DependsOnText); }),
    // Мин версия exe-файла
    Text("\xCC\xE8\xED \xE2\xE5\xF0\xF1\xE8\xFF exe-\xF4\xE0\xE9\xEB\xE0",
         &TZMKRec::MinExeVersion, Copy<&TSettingHeader::MinExeVersion, &TZMKRec::MinExeVersion>),
    // Мин версия БД
    Text("\xCC\xE8\xED \xE2\xE5\xF0\xF1\xE8\xFF \xC1\xC4", &TZMKRec::MinDBVersion,
         Copy<&TSettingHeader::MinDBVersion, &TZMKRec::MinDBVersion>),
};

namespace {

// Whether `text` takes at least `bytes` bytes in `charset`; looks no
// further than it must.
bool TakesAtLeast(std::string_view text, const CharsetTable& charset, std::size_t bytes) {
  if (text.size() >= bytes) return true;  // no character takes less than a byte
  if (text.size() * charset.longest < bytes) return false;
  std::size_t n = 0;
  for (char c : text) {
    n += charset.length[static_cast<unsigned char>(c)];
    if (n >= bytes) return true;
  }
  return false;
}

// Whether every byte of `text` is ASCII other than NUL: such a text is the
// same in every set. Eight bytes at a time.
bool IsPlainAscii(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  for (; end - p >= 8; p += 8) {
    const std::uint64_t word = LoadWord(p);
    if ((word & kHighBits) != 0 || HasByteBelow(word, 1)) return false;
  }
  for (; p < end; ++p) {
    if (static_cast<unsigned char>(*p) - 1u >= 0x7Fu) return false;
  }
  return true;
}

// Characters that stand as they are: bytes as bytes, and in UTF-16 each
// Windows-1251 byte as the one unit of its character.
void CopyAsIs(char* dst, const char* src, std::size_t n) { std::memcpy(dst, src, n); }

void CopyAsIs(char16_t* dst, const char* src, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(src[i]);
    dst[i] = static_cast<char16_t>(b < 0x80 ? b : Cp1251CodePoint(b));
  }
}

// `max_len` counts the units of `dst`: bytes, or UTF-16 units.
template <typename Unit>
void Write(std::string_view text, CharsetSource charset_source, bool fit, Unit* dst,
           std::size_t max_len) {
  if (dst == nullptr) return;
  // Most values (RUIDs, versions, many names) are ASCII that fits: it goes
  // as it is in every set, so the set is not even looked up.
  if (text.size() < max_len && IsPlainAscii(text)) {
    CopyAsIs(dst, text.data(), text.size());
    dst[text.size()] = 0;
    return;
  }
  const CharsetTable& charset = charset_source();
  // UTF-16 comes through Windows-1251: a unit per byte.
  const bool as_is = charset.as_is;
  std::size_t room = max_len - 1;  // for the characters
  bool ellipsis = false;
  if (fit && (as_is ? text.size() >= max_len : TakesAtLeast(text, charset, max_len))) {
    room = max_len > 4 ? max_len - 4 : 0;
    ellipsis = true;
  }
  const char* p = text.data();
  const char* end = p + text.size();
  if (const void* nul = std::memchr(p, '\0', text.size())) end = static_cast<const char*>(nul);
  std::size_t n = 0;
  if (as_is) {
    n = static_cast<std::size_t>(end - p) < room ? static_cast<std::size_t>(end - p) : room;
    CopyAsIs(dst, p, n);
    p += n;
  } else if constexpr (sizeof(Unit) == 1) {
    // One table step per character, while the characters fit. Each goes as
    // four bytes while four bytes of the room are left (those past the
    // character are overwritten by the next or lie after the NUL), and in
    // the last bytes of the room as its own bytes.
    const std::size_t moves_end = room > 3 ? room - 3 : 0;
    for (; p < end && n < moves_end; ++p) {
      const std::size_t b = static_cast<unsigned char>(*p);
      std::memcpy(dst + n, charset.bytes[b], 4);
      n += charset.length[b];
    }
    for (; p < end; ++p) {
      const std::size_t b = static_cast<unsigned char>(*p);
      const std::size_t length = charset.length[b];
      if (length > room - n) break;
      std::memcpy(dst + n, charset.bytes[b], length);
      n += length;
    }
  }
  // A NUL met with room to spare ends the text, and with it what there was
  // to shorten; one met just as the room is full leaves the value cut.
  if (p == end && end != text.data() + text.size() && n < room) ellipsis = false;
  if (ellipsis) {
    static constexpr Unit kDots[3] = {'.', '.', '.'};
    const std::size_t dots = max_len - 1 - n < 3 ? max_len - 1 - n : 3;
    std::memcpy(dst + n, kDots, dots * sizeof(Unit));
    n += dots;
  }
  dst[n] = 0;
}

}  // namespace

void WriteText(std::string_view text, CharsetSource charset, char* dst, int MaxLen) {
  if (MaxLen > 0) Write(text, charset, false, dst, static_cast<std::size_t>(MaxLen));
}

void FitToBuffer(std::string_view value, CharsetSource charset, char* dst, int MaxLen) {
  if (MaxLen > 0) Write(value, charset, true, dst, static_cast<std::size_t>(MaxLen));
}

void FitToBufferUtf16(std::string_view value, char16_t* dst, int MaxLen) {
  if (MaxLen > 1) Write(value, Cp1251Table, true, dst, static_cast<std::size_t>(MaxLen) / 2);
}

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day number of 1899-12-30, counting 0001-01-01 as day 1.
constexpr std::int64_t DateDelta = 693594;
// 65535-12-31, the last day whose year the host's 16-bit year holds.
constexpr std::int64_t kLastDay = 23242572;

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Round half to even, by hand: the host may have changed the rounding mode.
std::int64_t RoundHalfEven(double x) {
  double floor = std::floor(x);
  double fraction = x - floor;  // exact
  auto r = static_cast<std::int64_t>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && (r & 1) != 0)) ++r;
  return r;
}

}  // namespace

HostDate DayCountToDate(double value) {
  constexpr HostDate kNoDate{0, 0, 0};
  // Far beyond either end of the date range, and for NaN, there is no date;
  // the bound also keeps the conversion to an integer defined.
  double ms = value * static_cast<double>(kMsPerDay);
  if (!(std::fabs(ms) < 4.0e15)) return kNoDate;

  // Whole days, cut towards zero: -1.5 is day -1.
  std::int64_t days = RoundHalfEven(ms) / kMsPerDay;
  if (days > kLastDay) return kNoDate;
  std::int64_t day_number = days + DateDelta;
  if (day_number <= 0) return kNoDate;

  // Proleptic Gregorian: 400-year cycles, then at most three 100-year
  // periods, 4-year periods, and at most three single years.
  std::int64_t t = day_number - 1;
  std::int64_t y400 = t / 146097;
  t %= 146097;
  std::int64_t y100 = t / 36524;
  t %= 36524;
  if (y100 == 4) {  // the last day of a 400-year cycle
    y100 = 3;
    t += 36524;
  }
  std::int64_t y4 = t / 1461;
  t %= 1461;
  std::int64_t y1 = t / 365;
  t %= 365;
  if (y1 == 4) {  // the last day of a leap year
    y1 = 3;
    t += 365;
  }
  const int year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);

  static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30,
                                     31, 31, 30, 31, 30, 31};
  int month = 0;
  for (;; ++month) {
    int length = kMonthDays[month] + (month == 1 && IsLeapYear(year) ? 1 : 0);
    if (t < length) break;
    t -= length;
  }
  return HostDate{static_cast<std::uint16_t>(year),
                  static_cast<std::uint16_t>(month + 1),
                  static_cast<std::uint16_t>(t + 1)};
}

}  // namespace zmk
