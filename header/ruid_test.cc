#include "header/ruid.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"

namespace zmk {
namespace {

struct IntCase {
  const char* text;
  bool ok;
  std::int32_t value;
};

TEST(StrToIntTest, FollowsTheIntegerTextRules) {
  const IntCase cases[] = {
      // decimal, signs, blanks
      {"0", true, 0},
      {"-0", true, 0},
      {"+7", true, 7},
      {"0123", true, 123},
      {"   42", true, 42},
      {" -42", true, -42},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"0000000000002147483647", true, 2147483647},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"+-1", false, 0},
      {"--1", false, 0},
      {"- 1", false, 0},
      {"12 ", false, 0},
      {"1x", false, 0},
      {"\t1", false, 0},
      {"\r1", false, 0},
      {"\n1", false, 0},
      {"1.0", false, 0},
      {"1e3", false, 0},
      // hexadecimal, every prefix
      {"$A", true, 10},
      {"xa", true, 10},
      {"Xff", true, 255},
      {"0x10", true, 16},
      {"0X1f", true, 31},
      {" $C", true, 12},
      {"-$1", true, -1},
      {"+$1", true, 1},
      {"-0x10", true, -16},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, -2147483647 - 1},
      {"$7FFFFFFF", true, 2147483647},
      {"-$FFFFFFFF", true, 1},
      {"-$80000000", true, -2147483647 - 1},
      {"$00000000000FFFFFFFF", true, -1},
      {"$100000000", false, 0},
      {"$", false, 0},
      {"x", false, 0},
      {"0x", false, 0},
      {"-$", false, 0},
      {"$G", false, 0},
      {"$ 1", false, 0},
      {"$$1", false, 0},
      {"0x0x1", false, 0},
      {"00x1", false, 0},
      {"$1 ", false, 0},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(std::string("text: \"") + c.text + "\"");
    if (c.ok) {
      EXPECT_EQ(StrToInt(c.text), c.value);
    } else {
      EXPECT_THROW(StrToInt(c.text), ConvertError);
    }
  }
}

TEST(StrToIntTest, ErrorNamesTheTextUnchanged) {
  try {
    StrToInt(" 12 ");
    FAIL() << "no error";
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "' 12 ' is not a valid integer value");
  }
}

TEST(StrToIntTest, NulByteIsNoDigit) {
  EXPECT_THROW(StrToInt(std::string("1\0", 2)), ConvertError);
}

TEST(RUIDToStrTest, WritesShortestDecimalOrNothing) {
  const struct {
    TRUID ruid;
    const char* text;
  } cases[] = {
      {{12, 3}, "12_3"},
      {{0, 0}, "0_0"},
      {{-2, 7}, "-2_7"},
      {{-1, 7}, ""},
      {{7, -1}, ""},
      {{-1, -1}, ""},
      {{2147483647, -2147483647 - 1}, "2147483647_-2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RUIDToStr(c.ruid), c.text) << c.ruid.first << "," << c.ruid.second;
  }
}

TEST(StrToRUIDTest, ConvertsValidTexts) {
  const struct {
    std::string text;
    std::int32_t first, second;
  } cases[] = {
      {"", -1, -1},
      {"12_3", 12, 3},
      {" 12_ 3", 12, 3},
      {"$C_x3", 12, 3},
      {"0x10_$A", 16, 10},
      {"007_000000010", 7, 10},
      {"0000000001_1", 1, 1},
      {"1_2147483647", 1, 2147483647},
      // Only 255 bytes after the underscore count: the tail is never read.
      {"1_" + std::string(254, '0') + "1,x", 1, 1},
      {"1_" + std::string(254, '0') + "1 \"junk", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text: \"" + c.text + "\"");
    TRUID ruid = StrToRUID(c.text);
    EXPECT_EQ(ruid.first, c.first);
    EXPECT_EQ(ruid.second, c.second);
    EXPECT_TRUE(IsRUIDText(c.text));
  }
}

TEST(StrToRUIDTest, RejectsInvalidTextsWithTheirMessage) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"12", "Invalid RUID string"},
      {"abc", "Invalid RUID string"},
      {"0_9", "Invalid RUID string"},
      {"9_0", "Invalid RUID string"},
      {"00_5", "Invalid RUID string"},
      {"-3_4", "Invalid RUID string"},
      {"$FFFFFFFF_1", "Invalid RUID string"},
      {"12 _3", "'12 ' is not a valid integer value"},
      {"12_3 ", "'3 ' is not a valid integer value"},
      {"_5", "'' is not a valid integer value"},
      {"5_", "'' is not a valid integer value"},
      {"7_8_9", "'8_9' is not a valid integer value"},
      {"'4_5", "''4' is not a valid integer value"},
      {"2147483648_1", "'2147483648' is not a valid integer value"},
      // 255 bytes after the underscore, and the last of them is a letter.
      {"1_" + std::string(254, '0') + "x1", "'" + std::string(254, '0') + "x' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text: \"" + c.text + "\"");
    EXPECT_FALSE(IsRUIDText(c.text));
    try {
      StrToRUID(c.text);
      ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace zmk
