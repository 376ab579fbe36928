#include "header/dependency_list.h"

#include <gtest/gtest.h>

#include <string>

namespace zmk {
namespace {

using std::string_literals::operator""s;

// Built into a list that held other entries, as a header's list does.
StringList ListOf(const std::string& text) {
  StringList list = {"9_9", "8_8", std::string(40, '7')};
  BuildDependencyList(text, &list);
  return list;
}

std::string CommaTextOf(const StringList& list) {
  std::string out = "left over";
  CommaText(list, &out);
  return out;
}

TEST(ForEachLineTest, SplitsAtEveryKindOfLineEnd) {
  const struct {
    std::string text;
    StringList lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n", {"a"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\n", {""}},
      {"\n", {""}},
      {"\r\r", {"", ""}},
      {"a\0b"s, {"a"}},
      {"\0a"s, {}},
      {"a\r\0b"s, {"a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    StringList lines;
    ForEachLine(c.text, [&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(BuildDependencyListTest, UnquotesAndDropsWhatIsNoRUID) {
  const std::string long_entry = "1_" + std::string(254, '0') + "1,x";
  const struct {
    std::string text;
    StringList list;
  } cases[] = {
      {"", {}},
      {"12_3\r\n'4_5'\r\n\r\nx_1\r\n0_9", {"12_3", "4_5"}},
      {"1_2\r\n'3_4'\r\nabc", {"1_2", "3_4"}},
      {"'4_5", {}},
      {"4_5'", {}},
      {"''", {""}},
      {"'", {""}},
      {"12_3\n''", {"12_3", ""}},
      {"'''4_5''", {}},
      {"7_8_9", {}},
      {"4_5\n\r6_7", {"4_5", "6_7"}},
      {"4_5\0" "6_7"s, {"4_5"}},
      {" 12_3", {" 12_3"}},
      {"12_3 ", {}},
      {"0x10_$A", {"0x10_$A"}},
      {"$FFFFFFFF_1", {}},
      {"5_5\n5_5", {"5_5", "5_5"}},
      {"bad\nbad\n1_1\nbad\n2_2\nbad", {"1_1", "2_2"}},
      {long_entry, {long_entry}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(ListOf(c.text), c.list);
  }
}

TEST(BuildDependencyListTest, ManyBadLinesStayCheap) {
  // A damaged file may hold a huge text of lines that are all dropped.
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "bad\n1_1\n";
  StringList list = ListOf(text);
  ASSERT_EQ(list.size(), 200000u);
  EXPECT_EQ(list.front(), "1_1");
  EXPECT_EQ(list.back(), "1_1");
}

TEST(CommaTextTest, JoinsAndQuotesWhereNeeded) {
  const std::string long_entry = "1_" + std::string(254, '0') + "1,x";
  const struct {
    StringList list;
    std::string text;
  } cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"12_3", ""}, "12_3,"},
      {{"", "12_3"}, ",12_3"},
      {{"12_3", "4_5"}, "12_3,4_5"},
      {{" 12_3", "4_5"}, "\" 12_3\",4_5"},
      {{"a\"b"}, "\"a\"\"b\""},
      {{"a,b"}, "\"a,b\""},
      {{"a\tb"}, "\"a\tb\""},
      {{"a\x01"}, "\"a\x01\""},
      {{"\xC0\xFF\x80"}, "\xC0\xFF\x80"},
      {{"a!b"}, "a!b"},
      {{"a\0b"s}, "a\0b"s},
      {{"a\0,b"s}, "\"a\0,b\""s},
      {{long_entry}, "\"" + long_entry + "\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.list));
    EXPECT_EQ(CommaTextOf(c.list), c.text);
  }
  EXPECT_EQ(CommaTextOf({" 12_3", "4_5"}).size(), 11u);
}

}  // namespace
}  // namespace zmk
