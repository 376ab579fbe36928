// The steps of a delivery check that read no files, on deliveries built in
// memory, and the text forms of the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tools/zmkinfo/check.h"
#include "platform/utf8.h"
#include "tools/zmkinfo/json.h"
#include "tools/zmkinfo/output.h"

namespace zmk {
namespace {

PackageFile Package(const std::string& path, TRUID ruid, std::vector<TRUID> deps = {},
                    double modified = 46000.0, std::int32_t version = 1) {
  PackageFile p;
  p.path = path;
  p.ruid = ruid;
  p.depends_on = std::move(deps);
  p.modified = modified;
  p.version = version;
  return p;
}

std::vector<std::string> Paths(const std::vector<PackageFile>& files,
                               const std::vector<std::size_t>& list) {
  std::vector<std::string> out;
  for (std::size_t i : list) out.push_back(files[i].path);
  return out;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(CheckTest, ValidDates) {
  struct Case {
    double day_count;
    bool valid;
  } cases[] = {
      {46000.0, true}, {0.0, true}, {-693593.0, true},  // 0001-01-01
      {-693594.0, false}, {23242572.0, true},           // 65535-12-31
      {23242573.0, false}, {kNaN, false}, {kInf, false}, {-kInf, false}, {1e300, false},
  };
  for (const Case& c : cases) EXPECT_EQ(ValidDate(c.day_count), c.valid) << c.day_count;
}

// Newest first must be one order whatever the order of the files: NaN and
// the infinities are no dates and come after every valid one.
TEST(CheckTest, DuplicatesOrderTheSameForEveryOrderOfTheFiles) {
  const std::vector<PackageFile> base = {
      Package("a", {7, 1}, {}, kNaN),        Package("b", {7, 1}, {}, 200.0),
      Package("c", {7, 1}, {}, kInf),        Package("d", {7, 1}, {}, 100.0),
      Package("e", {7, 1}, {}, -kInf),       Package("f", {7, 1}, {}, kNaN),
      Package("g", {7, 1}, {}, 300.0, 0),    Package("h", {7, 1}, {}, 1e300),
      Package("i", {7, 1}, {}, 150.0),
  };
  const std::vector<std::string> newest_first = {"b", "i", "d", "a", "c", "e", "f", "h", "g"};
  std::vector<std::size_t> perm(base.size());
  for (std::size_t i = 0; i < perm.size(); ++i) perm[i] = i;
  for (int round = 0; round < 200; ++round) {
    std::vector<PackageFile> files;
    for (std::size_t i : perm) files.push_back(base[i]);
    const CheckResult result = CheckDelivery(files);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(Paths(files, result.problems[0].files), newest_first) << "round " << round;
    std::next_permutation(perm.begin(), perm.end());
  }
}

// One order whichever separator the system shows: a folder's files before
// a sibling whose name goes on past the folder's, even by a byte below "/".
TEST(CheckTest, PathOrder) {
  struct Case {
    const char *less, *more;
  } cases[] = {
      {"srt/a/x.zmk", "srt/aB.zmk"}, {"srt\\a\\x.zmk", "srt\\aB.zmk"},
      {"srt/a/x.zmk", "srt/a!.zmk"}, {"srt\\a\\x.zmk", "srt\\a!.zmk"},
      {"a", "a/b"},                  {"a/b", "a\\b"},
      {"", "a"},                     {"a\x01", "a\xff"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(PathLess(c.less, c.more)) << c.less << " " << c.more;
    EXPECT_FALSE(PathLess(c.more, c.less)) << c.less << " " << c.more;
  }
  EXPECT_FALSE(PathLess("a/b", "a/b"));
}

TEST(CheckTest, StepsOnADeliveryInMemory) {
  struct Case {
    const char* what;
    std::vector<PackageFile> files;
    std::vector<Problem::Kind> kinds;
    std::vector<std::string> order;
  } cases[] = {
      {"dependencies first",
       {Package("a", {3, 1}, {{2, 1}}), Package("b", {2, 1}, {{1, 1}}), Package("c", {1, 1})},
       {},
       {"c", "b", "a"}},
      {"a cycle stays together, its dependents after it",
       {Package("x", {1, 1}, {{2, 1}}), Package("y", {2, 1}, {{1, 1}}),
        Package("a", {3, 1}, {{1, 1}})},
       {Problem::Kind::kCycle},
       {"x", "y", "a"}},
      {"missing and duplicate by value",
       {Package("a", {1, 1}, {{9, 9}, {9, 9}}), Package("b", {1, 1})},
       {Problem::Kind::kMissing, Problem::Kind::kDuplicate},
       {"a", "b"}},
      {"no RUID in common: by path", {Package("b", {2, 1}), Package("a", {1, 1})}, {}, {"a", "b"}},
      {"by path, a separator first",
       {Package("s\\aB", {2, 1}), Package("s\\a!", {3, 1}), Package("s\\a\\x", {1, 1})},
       {},
       {"s\\a\\x", "s\\a!", "s\\aB"}},
  };
  for (const Case& c : cases) {
    const DeliveryIndex index = IndexDelivery(c.files);
    std::vector<Problem> problems;
    RUIDProblems(c.files, index, &problems);
    const DeliveryGroups groups = FindGroups(c.files, index);
    CycleProblems(groups, &problems);
    std::vector<Problem::Kind> kinds;
    for (const Problem& p : problems) kinds.push_back(p.kind);
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, c.kinds) << c.what;
    EXPECT_EQ(Paths(c.files, ImportOrder(c.files, groups)), c.order) << c.what;
  }
}

TEST(CheckTest, FileProblems) {
  std::vector<PackageFile> files = {Package("whole", {1, 1}), Package("cut", {2, 1}),
                                    Package("folder", {0, 0})};
  files[1].depends_declared = 2000000;
  files[1].depends_kept = 1048000;
  files[2].state = PackageFile::State::kNoPackages;
  const CheckResult result = CheckDelivery(files);
  ASSERT_EQ(result.problems.size(), 2u);
  EXPECT_EQ(result.problems[0].kind, Problem::Kind::kDependenciesCut);
  EXPECT_EQ(result.problems[1].kind, Problem::Kind::kNoPackages);
  EXPECT_EQ(result.packages, 2u);  // the folder is no file
  EXPECT_EQ(Paths(files, result.order), (std::vector<std::string>{"cut", "whole"}));
  EXPECT_NE(CheckJson(files, result).find(
                "{\"kind\": \"dependencies_cut\", \"file\": \"cut\", \"declared\": 2000000, "
                "\"kept\": 1048000}"),
            std::string::npos);
}

TEST(OutputTest, JsonStringIsValidUtf8AndKeepsBytesApart) {
  struct Case {
    std::string text, json;
  } cases[] = {
      {"plain", "\"plain\""},
      {"\xD0\x9F\xE2\x84\x96", "\"\xD0\x9F\xE2\x84\x96\""},  // П№ stay
      {"x\xFF\xFE", "\"x\\udcff\\udcfe\""},
      {"\xC0\xAF", "\"\\udcc0\\udcaf\""},          // overlong "/"
      {"\xED\xA0\x80", "\"\\udced\\udca0\\udc80\""},  // a surrogate
      {"\xE2\x84", "\"\\udce2\\udc84\""},          // cut short
      {std::string("q\"\\\x01", 4), "\"q\\\"\\\\\\u0001\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(OutputTest, Utf8EncodesAndDecodesEveryLength) {
  for (std::uint32_t cp : {0x41u, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    std::string utf8;
    AppendUtf8(cp, &utf8);
    std::uint32_t back = 0;
    EXPECT_EQ(DecodeUtf8(utf8, &back), utf8.size()) << cp;
    EXPECT_EQ(back, cp);
  }
  EXPECT_FALSE(IsUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsUtf8("\xF0\x8F\xBF\xBF"));  // overlong
}

TEST(OutputTest, JsonWriterPlacesEverySeparator) {
  std::string out;
  JsonWriter json(&out);
  json.BeginArray(JsonWriter::Layout::kLines);
  json.BeginObject();
  json.Key("a");
  json.Int(-1);
  json.Key("b");
  json.BeginArray();
  json.Bool(true);
  json.Null();
  json.Uint(18446744073709551615u);
  json.EndArray();
  json.Key("c");
  json.BeginObject();
  json.EndObject();
  json.EndObject();
  json.String("x\xFF");
  json.EndArray();
  EXPECT_EQ(out,
            "[\n  {\"a\": -1, \"b\": [true, null, 18446744073709551615], \"c\": {}},"
            "\n  \"x\\udcff\"\n]\n");

  std::string pieces;
  JsonWriter lines([&](std::string_view text) { pieces += text; });
  lines.BeginArray(JsonWriter::Layout::kLines);
  lines.EndArray();
  EXPECT_EQ(pieces, "");
  lines.Flush();
  EXPECT_EQ(pieces, "[\n]\n");

  JsonWriter wrong(&out);
  wrong.BeginObject();
  EXPECT_THROW(wrong.Int(1), std::logic_error);  // a member needs its key
  EXPECT_THROW(wrong.EndArray(), std::logic_error);
}

TEST(OutputTest, EscapedShowsWhatWouldDriveATerminal) {
  if (!TerminalIsUtf8()) GTEST_SKIP() << "the terminal's set here is not UTF-8";
  struct Case {
    std::string text, shown;
  } cases[] = {
      {"a\x1b[2Jb", "a\\x1b[2Jb"},
      {"a\\x1bb", "a\\\\x1bb"},
      {"\xC2\x9B" "1m", "\\u009b1m"},
      {"\x9B", "\\x9b"},
      {"\xC2\xA0\xD0\x9F", "\xC2\xA0\xD0\x9F"},
      {std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
      {"\t\r\n", "\\t\\r\\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Escaped(c.text), c.shown) << c.text;
}

}  // namespace
}  // namespace zmk
