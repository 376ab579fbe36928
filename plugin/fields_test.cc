#include "plugin/fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace zmk {
namespace {

// Writes a value as FitToBuffer does into a buffer with guard bytes around
// the MaxLen bytes the callee may use, and returns what the callee wrote,
// checking the guards.
std::string WriteGuarded(std::string_view text, CharsetSource charset, int max_len) {
  const std::size_t room = max_len > 0 ? static_cast<std::size_t>(max_len) : 0;
  std::string buf(room + 16, '#');
  FitToBuffer(text, charset, &buf[8], max_len);
  EXPECT_EQ(buf.substr(0, 8), "########");
  EXPECT_EQ(buf.substr(8 + room), "########");
  std::string written = buf.substr(8, room);
  std::size_t nul = written.find('\0');
  if (nul == std::string::npos) return room == 0 ? "<nothing>" : "<no NUL>";
  return written.substr(0, nul);
}

// Windows-1251 bytes as they are.
std::string WriteGuarded(std::string_view text, int max_len) {
  return WriteGuarded(text, Cp1251Table, max_len);
}

TEST(FitToBufferTest, ShortensWhatDoesNotFitWithItsNul) {
  const std::string thirty(30, 'a');
  const struct {
    std::string value;
    int max_len;
    std::string fitted;
  } cases[] = {
      {thirty, 31, thirty},
      {thirty, 30, std::string(26, 'a') + "..."},
      {thirty, 100, thirty},
      {"Test", 5, "Test"},
      {"Test", 4, "..."},
      {"", 1, ""},
      {"\xCD\xE0\xE8\xEC\xE5\xED", 6, "\xCD\xE0..."},  // bytes, not characters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value + " in " + std::to_string(c.max_len));
    EXPECT_EQ(WriteGuarded(c.value, c.max_len), c.fitted);
  }
}

// The UTF-16 form in MaxLen bytes between guards: the units up to the NUL.
// The byte after the last whole unit of an odd MaxLen is never written.
std::u16string WriteGuardedUtf16(std::string_view text, int max_len) {
  const std::size_t units = max_len > 1 ? static_cast<std::size_t>(max_len) / 2 : 0;
  std::vector<char16_t> buf(units + 8, u'#');
  FitToBufferUtf16(text, &buf[4], max_len);
  for (std::size_t i = 0; i < buf.size(); ++i) {
    if (i < 4 || i >= 4 + units) {
      EXPECT_EQ(buf[i], u'#') << "unit " << i;
    }
  }
  const std::u16string written(&buf[4], units);
  const std::size_t nul = written.find(u'\0');
  if (nul == std::u16string::npos) return units == 0 ? u"<nothing>" : u"<no NUL>";
  return written.substr(0, nul);
}

TEST(FitToBufferUtf16Test, UnitsForBytesByTheSameRule) {
  const std::string test_ru = "\xD2\xE5\xF1\xF2";  // Тест
  const struct {
    std::string value;
    int max_len;
    std::u16string fitted;
  } cases[] = {
      {test_ru, 10, u"\u0422\u0435\u0441\u0442"},  // 4 units and the NUL
      {test_ru, 9, u"..."},                         // 4 units: shortened
      {test_ru, 8, u"..."},
      {"abcdef", 14, u"abcdef"},
      {"abcdef", 13, u"ab..."},  // an odd last byte is no unit
      {"abcdef", 12, u"ab..."},
      {"abcdef", 11, u"a..."},
      {test_ru, 7, u".."},  // room for fewer dots than three
      {test_ru, 5, u"."},
      {test_ru, 3, u""},
      {test_ru, 1, u"<nothing>"},
      {test_ru, 0, u"<nothing>"},
      {test_ru, -1, u"<nothing>"},
      {"", 2, u""},
      {std::string("ab\0cd", 5), 20, u"ab"},
      // Euro sign, numero sign, and the one byte the code page leaves out.
      {"\x88\xB9\x98\xA8\xFF", 12, u"\u20AC\u2116\uFFFD\u0401\u044F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value + " in " + std::to_string(c.max_len));
    EXPECT_TRUE(WriteGuardedUtf16(c.value, c.max_len) == c.fitted);
  }
}

TEST(WriteTextTest, StopsAtNulAndNeverPassesTheBuffer) {
  const std::string with_nul("ab\0cd", 5);
  const struct {
    std::string value;
    int max_len;
    std::string written;
  } cases[] = {
      {"Test", 10, "Test"},
      {"Test", 5, "Test"},
      {"Test", 4, "..."},
      {"Test", 3, ".."},
      {"Test", 2, "."},
      {"Test", 1, ""},
      {"Test", 0, "<nothing>"},
      {"Test", -7, "<nothing>"},
      {with_nul, 10, "ab"},
      {with_nul, 6, "ab"},
      {with_nul, 5, "a..."},     // shortened first, the NUL cut away
      {with_nul, 4, "..."},
      {std::string("\0x", 2), 10, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.value) + " in " + std::to_string(c.max_len));
    EXPECT_EQ(WriteGuarded(c.value, c.max_len), c.written);
  }
}

// A set in which every byte from 0x80 up takes two bytes, 0xC2 and itself.
const CharsetTable& TwoByteHighHalf() {
  static const CharsetTable table = [] {
    CharsetTable t{};
    for (int b = 0; b < 256; ++b) {
      t.length[b] = b < 0x80 ? 1 : 2;
      t.bytes[b][0] = static_cast<char>(b < 0x80 ? b : 0xC2);
      t.bytes[b][1] = static_cast<char>(b);
    }
    t.longest = 2;
    return t;
  }();
  return table;
}

TEST(WriteTextTest, AsciiInAnotherSetIsCutAsTheBytesAre) {
  const CharsetSource charset = TwoByteHighHalf;
  const std::string values[] = {
      "abcdefghijklmnopqrstuvwxyz0123456789",
      std::string("abcdefgh\0ijklmnopqrstuvwxyz", 28),
      std::string("abcdefghijklmnop\0q", 19),
      std::string("\0abc", 4),
  };
  for (const std::string& value : values) {
    for (int max_len = 1; max_len <= 40; ++max_len) {
      SCOPED_TRACE(testing::PrintToString(value) + " in " + std::to_string(max_len));
      EXPECT_EQ(WriteGuarded(value, charset, max_len),
                WriteGuarded(value, max_len));
    }
  }
  // A NUL just where the room for a shortened value ends leaves it shortened,
  // after a character of two bytes as after ASCII.
  EXPECT_EQ(WriteGuarded(std::string("\xEA\xEA\0zzzzz", 8), charset, 8), "\xC2\xEA\xC2\xEA...");
  EXPECT_EQ(WriteGuarded(std::string("abcd\0zzzzz", 10), charset, 8), "abcd...");
}

// The civil date of a day count, by a different road: days since
// 1970-01-01 (day count 25569) split into eras of 400 years from March.
HostDate ReferenceDate(std::int64_t day_count) {
  std::int64_t z = day_count - 25569 + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  return HostDate{static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                  static_cast<std::uint16_t>(d)};
}

std::string Show(const HostDate& d) {
  return std::to_string(d.wYear) + "-" + std::to_string(d.wMonth) + "-" +
         std::to_string(d.wDay);
}

TEST(DayCountToDateTest, KnownDates) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    HostDate date;
  } cases[] = {
      {0.0, {1899, 12, 30}},
      {1.0, {1899, 12, 31}},
      {1.5, {1899, 12, 31}},
      {-1.0, {1899, 12, 29}},
      {-1.5, {1899, 12, 29}},      // whole days cut towards zero
      {-0.5, {1899, 12, 30}},
      {38718.0, {2006, 1, 1}},
      {38718.99, {2006, 1, 1}},
      {0.999999999, {1899, 12, 31}},  // under half a millisecond to midnight
      {0.99999998, {1899, 12, 30}},   // 86399998.3 ms
      {-693593.0, {1, 1, 1}},
      {-693594.0, {0, 0, 0}},
      {-693593.5, {1, 1, 1}},
      {-700000.0, {0, 0, 0}},
      {-2147483648.0, {0, 0, 0}},
      {-1e300, {0, 0, 0}},
      {23242572.0, {65535, 12, 31}},
      {23242572.9, {65535, 12, 31}},
      {23242573.0, {0, 0, 0}},
      {1e300, {0, 0, 0}},
      {inf, {0, 0, 0}},
      {-inf, {0, 0, 0}},
      {std::nan(""), {0, 0, 0}},
      {-36522.0, {1800, 1, 1}},   // 1800 is no leap year
      {-36463.0, {1800, 3, 1}},
      {36585.0, {2000, 2, 29}},   // 2000 is one
      {36586.0, {2000, 3, 1}},
      {36891.0, {2000, 12, 31}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.value));
    EXPECT_EQ(Show(DayCountToDate(c.value)), Show(c.date));
  }
}

TEST(DayCountToDateTest, HalfMillisecondsRoundToEven) {
  // 0.5 ms before midnight is a tie: it rounds to the even millisecond, and
  // 86400000 is even, so the day turns over.
  const double ms_per_day = 86400000.0;
  EXPECT_EQ(Show(DayCountToDate((ms_per_day - 0.5) / ms_per_day)),
            Show(HostDate{1899, 12, 31}));
  EXPECT_EQ(Show(DayCountToDate((ms_per_day - 0.25) / ms_per_day)),
            Show(HostDate{1899, 12, 31}));
  EXPECT_EQ(Show(DayCountToDate((ms_per_day - 1.5) / ms_per_day)),
            Show(HostDate{1899, 12, 30}));
}

TEST(DayCountToDateTest, AgreesWithAnIndependentCalendarOverTheWholeRange) {
  int mismatches = 0;
  for (std::int64_t day = -693593; day <= 23242572; day += 997) {
    for (std::int64_t d : {day, day + 59, day + 365}) {
      if (d > 23242572) continue;
      for (double fraction : {0.0, 0.25, 0.9999}) {
        double value = static_cast<double>(d) + (d < 0 ? -fraction : fraction);
        std::string got = Show(DayCountToDate(value));
        std::string want = Show(ReferenceDate(d));
        if (got != want && ++mismatches <= 5) {
          ADD_FAILURE() << value << ": " << got << " != " << want;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace zmk
