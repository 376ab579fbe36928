// The version rule: which texts are versions, and how versions compare.
#include <gtest/gtest.h>

#include <string>

#include "tools/zmkinfo/min_version.h"

namespace zmk {
namespace {

TEST(MinVersionTest, ReadsOnlyDigitGroupsJoinedByDots) {
  using F = VersionForm;
  struct Case {
    std::string text;
    VersionForm form;
    std::string version;  // as read, for kVersion
  } cases[] = {
      {"4", F::kVersion, "4"},
      {"4.2.1.0", F::kVersion, "4.2.1.0"},
      {"007.1", F::kVersion, "007.1"},
      {" \t4.2\t ", F::kVersion, "4.2"},
      {"", F::kNone, ""},
      {" \t \t", F::kNone, ""},
      {"4.2 beta", F::kUnreadable, ""},
      {"v4", F::kUnreadable, ""},
      {"4..2", F::kUnreadable, ""},
      {"4.", F::kUnreadable, ""},
      {".4", F::kUnreadable, ""},
      {".", F::kUnreadable, ""},
      {"4 .2", F::kUnreadable, ""},
      {"-4", F::kUnreadable, ""},
      {"+4", F::kUnreadable, ""},
      {"4,2", F::kUnreadable, ""},
      {"\xD9", F::kUnreadable, ""},  // a Cyrillic letter
      {"4.2\r\n", F::kUnreadable, ""},
      {"\r", F::kUnreadable, ""},
      {"\n4", F::kUnreadable, ""},
      {"\v4", F::kUnreadable, ""},
      {"\xA0" "4", F::kUnreadable, ""},  // no-break space is no blank here
      {std::string("4\0", 2), F::kUnreadable, ""},
      {std::string("\0", 1), F::kUnreadable, ""},
  };
  for (const Case& c : cases) {
    std::string_view version = "unset";
    EXPECT_EQ(ReadVersion(c.text, &version), c.form) << '"' << c.text << '"';
    if (c.form == F::kVersion) {
      EXPECT_EQ(version, c.version) << c.text;
    }
  }
}

TEST(MinVersionTest, ComparesGroupsAsWholeNumbers) {
  const std::string long_group(100, '9');
  struct Case {
    std::string a, b;
    int order;  // of a against b
  } cases[] = {
      {"4.2", "4.2", 0},
      {"4.2", "4.2.0.0", 0},
      {"4", "4.0", 0},
      {"0", "0.0.0", 0},
      {"007.1", "7.01", 0},
      {"0004.2", "4.2", 0},
      {"2.10", "2.9", 1},
      {"4.3", "4.2.9", 1},
      {"4.2.0.1", "4.2", 1},
      {"10", "9.99", 1},
      {"3.9", "4.0", -1},
      {"1.0", "1.00000000000000000000001", -1},
      {long_group, long_group + ".0", 0},
      {long_group + "1", long_group, 1},            // past any integer type
      {"1" + long_group, "2" + long_group, -1},
      {"18446744073709551617", "1", 1},            // 2^64 + 1 would wrap to 1
      {"0" + long_group, long_group, 0},
  };
  for (const Case& c : cases) {
    std::string_view a, b;
    ASSERT_EQ(ReadVersion(c.a, &a), VersionForm::kVersion) << c.a;
    ASSERT_EQ(ReadVersion(c.b, &b), VersionForm::kVersion) << c.b;
    EXPECT_EQ(CompareVersions(a, b), c.order) << c.a << " against " << c.b;
    EXPECT_EQ(CompareVersions(b, a), -c.order) << c.b << " against " << c.a;
  }
}

}  // namespace
}  // namespace zmk
