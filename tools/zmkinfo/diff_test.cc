// The steps of a delivery diff on deliveries built in memory, and its text.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tools/zmkinfo/diff.h"
#include "tools/zmkinfo/output.h"

namespace zmk {
namespace {

PackageFile Whole(const std::string& path, TRUID ruid, std::int32_t version = 1,
                  double modified = 46000.0) {
  PackageFile p;
  p.path = path;
  p.ruid = ruid;
  p.name = "P";
  p.version = version;
  p.modified = modified;
  p.is_final = 1;
  p.depends_on = {{1, 1}, {2, 1}};
  p.min_exe_version = "4.0";
  p.min_db_version = "2.0";
  return p;
}

std::vector<std::string> RUIDs(const std::vector<PackageFile>& files,
                               const std::vector<std::size_t>& list) {
  std::vector<std::string> out;
  for (std::size_t i : list) out.push_back(RUIDToStr(files[i].ruid));
  return out;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(DiffTest, EachFieldComparedAsTheHostShowsIt) {
  struct Case {
    const char* what;
    std::function<void(PackageFile*)> change;
    unsigned fields;
    Move move;
  } cases[] = {
      {"another path", [](PackageFile* p) { p->path = "elsewhere/p.zmk"; }, 0, Move::kSameVersion},
      {"name", [](PackageFile* p) { p->name = "Q"; }, kDiffName, Move::kSameVersion},
      {"name past a NUL", [](PackageFile* p) { p->name = std::string("P\0x", 3); }, kDiffName,
       Move::kSameVersion},
      {"comment", [](PackageFile* p) { p->comment = " "; }, kDiffComment, Move::kSameVersion},
      {"same day, later hour", [](PackageFile* p) { p->modified = 46000.9; }, 0, Move::kSameVersion},
      {"next day", [](PackageFile* p) { p->modified = 46001.0; }, kDiffModified,
       Move::kSameVersion},
      {"no date", [](PackageFile* p) { p->modified = kNaN; }, kDiffModified, Move::kSameVersion},
      {"version up", [](PackageFile* p) { p->version = 2; }, kDiffVersion, Move::kUpgraded},
      {"version down", [](PackageFile* p) { p->version = -1; }, kDiffVersion, Move::kDowngraded},
      {"final 1 and 2 are both true", [](PackageFile* p) { p->is_final = 2; }, 0,
       Move::kSameVersion},
      {"final off", [](PackageFile* p) { p->is_final = 0; }, kDiffFinal, Move::kSameVersion},
      {"dependencies reordered and repeated",
       [](PackageFile* p) { p->depends_on = {{2, 1}, {1, 1}, {2, 1}}; }, 0, Move::kSameVersion},
      {"dependencies changed", [](PackageFile* p) { p->depends_on = {{2, 1}, {10, 1}, {3, 1}}; },
       kDiffDependsOn, Move::kSameVersion},
      {"minimum versions padded",
       [](PackageFile* p) {
         p->min_exe_version = " \t4.0 ";
         p->min_db_version = "2.0\t";
       },
       0, Move::kSameVersion},
      {"minimum versions changed",
       [](PackageFile* p) {
         p->min_exe_version = "4.0.1";
         p->min_db_version = "";
       },
       kDiffMinExeVersion | kDiffMinDBVersion, Move::kSameVersion},
      {"several at once, with a new version",
       [](PackageFile* p) {
         p->version = 3;
         p->name = "N";
         p->is_final = 0;
       },
       kDiffVersion | kDiffName | kDiffFinal, Move::kUpgraded},
  };
  for (const Case& c : cases) {
    const std::vector<PackageFile> old_files = {Whole("p.zmk", {5, 1})};
    std::vector<PackageFile> new_files = old_files;
    c.change(&new_files[0]);
    const DeliveryDiff d = DiffDeliveries(old_files, new_files);
    EXPECT_TRUE(d.added.empty() && d.removed.empty()) << c.what;
    if (c.fields == 0) {
      EXPECT_TRUE(d.changed.empty()) << c.what;
      EXPECT_EQ(d.unchanged, 1u) << c.what;
      continue;
    }
    ASSERT_EQ(d.changed.size(), 1u) << c.what;
    EXPECT_EQ(d.unchanged, 0u) << c.what;
    EXPECT_EQ(d.changed[0].fields, c.fields) << c.what;
    EXPECT_EQ(d.changed[0].move, c.move) << c.what;
  }
}

TEST(DiffTest, DependenciesAsRUIDsAddedAndRemoved) {
  PackageFile a = Whole("p.zmk", {5, 1}), b = a;
  a.depends_on = {{10, 1}, {2, 1}, {1, 1}, {2, 1}};
  b.depends_on = {{1, 1}, {9, 1}, {10, 1}, {1, 2}};
  const PackageChange c = CompareHeaders(a, b);
  std::vector<std::string> added, removed;
  for (const TRUID& r : c.depends_added) added.push_back(RUIDToStr(r));
  for (const TRUID& r : c.depends_removed) removed.push_back(RUIDToStr(r));
  EXPECT_EQ(added, (std::vector<std::string>{"1_2", "9_1"}));
  EXPECT_EQ(removed, (std::vector<std::string>{"2_1"}));
}

TEST(DiffTest, MatchingAndOrders) {
  const std::vector<PackageFile> old_files = {
      Whole("o/gone10.zmk", {10, 1}), Whole("o/gone9.zmk", {9, 1}),
      Whole("o/up.zmk", {20, 1}, 1),  Whole("o/down.zmk", {21, 1}, 5),
      Whole("o/same.zmk", {22, 1}),   Whole("o/up2.zmk", {3, 1}, 1),
      Whole("o/kept.zmk", {30, 2}),
  };
  std::vector<PackageFile> new_files = {
      Whole("n/new100.zmk", {100, 1}), Whole("n/new2.zmk", {2, 7}),
      Whole("n/new2b.zmk", {2, 10}),   Whole("n/up.zmk", {20, 1}, 2),
      Whole("n/down.zmk", {21, 1}, 4), Whole("n/same.zmk", {22, 1}),
      Whole("n/up2.zmk", {3, 1}, 9),   Whole("n/kept.zmk", {30, 2}),
  };
  new_files[5].comment = "new";
  const DeliveryDiff d = DiffDeliveries(old_files, new_files);
  EXPECT_EQ(RUIDs(new_files, d.added), (std::vector<std::string>{"2_7", "2_10", "100_1"}));
  EXPECT_EQ(RUIDs(old_files, d.removed), (std::vector<std::string>{"9_1", "10_1"}));
  std::vector<std::string> changed;
  for (const PackageChange& c : d.changed) {
    changed.push_back(std::string(MoveName(c.move)) + " " + RUIDToStr(c.ruid) + " " +
                      old_files[c.old_file].path + " " + new_files[c.new_file].path);
  }
  EXPECT_EQ(changed, (std::vector<std::string>{"downgraded 21_1 o/down.zmk n/down.zmk",
                                               "same_version 22_1 o/same.zmk n/same.zmk",
                                               "upgraded 3_1 o/up2.zmk n/up2.zmk",
                                               "upgraded 20_1 o/up.zmk n/up.zmk"}));
  EXPECT_EQ(d.unchanged, 1u);
  EXPECT_FALSE(d.Same());
}

TEST(DiffTest, EachSideHasItsProblemsAndItsNewestPackage) {
  using State = PackageFile::State;
  std::vector<PackageFile> old_files = {
      Whole("a/v1.zmk", {7, 1}, 1), Whole("a/v3.zmk", {7, 1}, 3), Whole("a/v2.zmk", {7, 1}, 2),
      Whole("needs.zmk", {8, 1}),   Whole("cut.zmk", {9, 1}),     Whole("junk.zmk", {0, 0}),
      Whole("short.zmk", {0, 0}),   Whole("gone.zmk", {0, 0}),    Whole("empty", {0, 0}),
  };
  old_files[3].depends_on = {{99, 1}};  // missing: no concern of a diff
  old_files[4].depends_declared = 100;
  old_files[4].depends_kept = 40;
  old_files[5].state = State::kNotZMK;
  old_files[6].state = State::kDamaged;
  old_files[7].state = State::kUnreadable;
  old_files[8].state = State::kNoPackages;
  std::vector<PackageFile> new_files = {old_files[1], old_files[3], old_files[4]};
  new_files[0].path = "b/v3.zmk";

  const DeliveryDiff d = DiffDeliveries(old_files, new_files);
  EXPECT_TRUE(d.Same());
  EXPECT_EQ(d.unchanged, 3u);
  std::vector<std::string> problems;
  for (const Problem& p : d.old_side.problems) {
    std::string line = KindName(p.kind);
    for (std::size_t f : p.files) line += " " + old_files[f].path;
    problems.push_back(line);
  }
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "duplicate a/v3.zmk a/v2.zmk a/v1.zmk", "dependencies_cut cut.zmk",
                          "not_zmk junk.zmk", "damaged short.zmk", "unreadable gone.zmk",
                          "no_packages empty"}));
  EXPECT_EQ(d.old_side.packages, 8u);
  ASSERT_EQ(d.new_side.problems.size(), 1u);
  EXPECT_EQ(d.new_side.problems[0].kind, Problem::Kind::kDependenciesCut);
  EXPECT_EQ(d.new_side.packages, 3u);
}

TEST(DiffTest, TextReport) {
  if (!TerminalIsUtf8()) GTEST_SKIP() << "the terminal's set here is not UTF-8";
  std::vector<PackageFile> old_files = {Whole("o/r.zmk", {300, 1}, 2), Whole("o/x.zmk", {6, 1}),
                                        Whole("o/dup.zmk", {6, 1}, 0)};
  std::vector<PackageFile> new_files = {Whole("n/r.zmk", {300, 1}, 1), Whole("n/y.zmk", {5, 1})};
  new_files[0].name = "\xCE\xF2\xF7\xB8\xF2\xFB\x1b";  // "Отчёты" and ESC, in Windows-1251
  new_files[0].modified = kNaN;
  new_files[0].depends_on = {{1, 1}, {3, 1}, {4, 1}};
  new_files[0].min_db_version = "";
  EXPECT_EQ(DiffText(old_files, new_files, DiffDeliveries(old_files, new_files)),
            "old: 3 files, 1 problem\n"
            "  duplicate 6_1, newest first:\n"
            "    o/x.zmk: version 1 of 2025-12-09, P\n"
            "    o/dup.zmk: version 0 of 2025-12-09, P\n"
            "new: 2 files, 0 problems\n"
            "added 5_1: n/y.zmk, version 1, \"P\"\n"
            "removed 6_1: o/x.zmk, version 1, \"P\"\n"
            "downgraded 300_1: o/r.zmk -> n/r.zmk\n"
            "  name: \"P\" -> \"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82\xD1\x8B\\x1b\"\n"
            "  modified: 2025-12-09 -> no valid date\n"
            "  version: 2 -> 1\n"
            "  depends_on: added 3_1, 4_1; removed 2_1\n"
            "  min_db_version: \"2.0\" -> \"\"\n"
            "1 added, 1 removed, 1 changed (1 downgraded, 0 same_version, 0 upgraded), "
            "0 unchanged\n");
}

}  // namespace
}  // namespace zmk
