#include "header/setting_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "header/test_file.h"
#include "platform/error.h"
#include "plugin/fields.h"
#include "plugin/record_test_util.h"

namespace zmk {
namespace {

using test::Bytes;
using test::TempFile;

// The items after the RUID, in file order: the indexes of their fields.
enum Item { kName = 1, kComment, kModified, kVersion, kIsFinal, kDependsOn,
            kMinExeVersion, kMinDBVersion };

// Items from `first` on still hold their defaults.
void ExpectDefaultsFrom(const TSettingHeader& h, Item first) {
  const TZMKRec got = test::Record(h), defaults = test::Record(TZMKHeader());
  for (int i = first; i < kFieldCount; ++i) {
    EXPECT_TRUE(test::SameValue(kFields[i], got, defaults)) << "field " << i;
  }
  if (first <= kDependsOn) { EXPECT_TRUE(h.DependsOn.empty()); }
}

std::string ReadString(Stream& stream) {
  std::string text;
  ReadString(stream, &text);
  return text;
}

bool LoadBytes(const std::string& bytes, TZMKHeader* header) {
  TempFile file(bytes);
  return header->LoadFromFile(file.path());
}

TEST(WorkedExampleTest, BuilderMatchesTheByteTable) {
  EXPECT_EQ(test::WorkedExample(),
            test::FromHex("5A4D4B24 01000000 0C000000 03000000"
                          "04000000 54657374 00000000"
                          "00000000C0E7E240 05000000 01"
                          "0F000000 315F320D0A 27335F34270D0A 616263"
                          "03000000 372E31 00000000"));
}

TEST(TZMKHeaderTest, ReadsTheWorkedExample) {
  TZMKHeader h;
  ASSERT_TRUE(LoadBytes(test::WorkedExample(), &h));
  EXPECT_EQ(h.FormatVersion, 1);
  EXPECT_EQ(h.RUID.first, 12);
  EXPECT_EQ(h.RUID.second, 3);
  EXPECT_EQ(h.Name, "Test");
  EXPECT_EQ(h.Comment, "");
  EXPECT_EQ(h.Modified, 38718.0);
  EXPECT_EQ(h.Version, 5);
  EXPECT_EQ(h.IsFinal, 1);
  EXPECT_EQ(h.DependsOn, (StringList{"1_2", "3_4"}));
  EXPECT_EQ(h.MinExeVersion, "7.1");
  EXPECT_EQ(h.MinDBVersion, "");
}

TEST(TZMKHeaderTest, DefaultsAfterConstruction) {
  TZMKHeader h;
  EXPECT_EQ(h.FormatVersion, 0);
  EXPECT_EQ(h.RUID.first, 0);
  EXPECT_EQ(h.RUID.second, 0);
  ExpectDefaultsFrom(h, kName);
}

TEST(TZMKHeaderTest, EveryTruncationFailsWithoutHarm) {
  const std::string full = test::WorkedExample();
  for (std::size_t len = 0; len < full.size(); ++len) {
    SCOPED_TRACE("length " + std::to_string(len));
    TZMKHeader h;
    EXPECT_FALSE(LoadBytes(full.substr(0, len), &h));
  }
}

TEST(TZMKHeaderTest, TruncationKeepsWhatWasReadBeforeTheCut) {
  const std::string full = test::WorkedExample();
  struct Cut {
    std::size_t length;
    std::int32_t ruid_first, ruid_second;
    const char* name;
    Item first_default;
  };
  // 0C 00 00 | 00 03 00 00 00: a RUID cut after 3 bytes keeps 12 and zeros.
  const Cut cuts[] = {
      {8, 0, 0, "", kName},
      {11, 12, 0, "", kName},
      {16, 12, 3, "", kName},
      {23, 12, 3, "", kName},
      {24, 12, 3, "Test", kComment},
      {28, 12, 3, "Test", kModified},
  };
  for (const Cut& c : cuts) {
    SCOPED_TRACE("length " + std::to_string(c.length));
    TZMKHeader h;
    EXPECT_FALSE(LoadBytes(full.substr(0, c.length), &h));
    EXPECT_EQ(h.RUID.first, c.ruid_first);
    EXPECT_EQ(h.RUID.second, c.ruid_second);
    EXPECT_EQ(h.Name, c.name);
    ExpectDefaultsFrom(h, c.first_default);
  }
}

// One header reads file after file: each file replaces every item, and
// leaves nothing of the one before.
TEST(TZMKHeaderTest, AnotherFileReplacesEveryItem) {
  const std::string full = test::WorkedExample();
  TZMKHeader reused;
  for (std::size_t len = 0; len <= full.size(); ++len) {
    SCOPED_TRACE("length " + std::to_string(len));
    ASSERT_TRUE(LoadBytes(full, &reused));
    TZMKHeader fresh;
    EXPECT_EQ(LoadBytes(full.substr(0, len), &reused), LoadBytes(full.substr(0, len), &fresh));
    EXPECT_EQ(reused.FormatVersion, fresh.FormatVersion);
    const TZMKRec reused_values = test::Record(reused), fresh_values = test::Record(fresh);
    for (const FieldInfo& field : kFields) {
      EXPECT_TRUE(test::SameValue(field, reused_values, fresh_values)) << &field - kFields;
    }
    EXPECT_EQ(reused.DependsOn, fresh.DependsOn);
  }
}

TEST(TZMKHeaderTest, CutInsideFixedFieldsFillsTheirFirstBytes) {
  const std::string full = test::WorkedExample();
  TZMKHeader h;
  // Two bytes into Version (05 00 | 00 00), IsFinal never reached.
  EXPECT_FALSE(LoadBytes(full.substr(0, 38), &h));
  EXPECT_EQ(h.Modified, 38718.0);
  EXPECT_EQ(h.Version, 5);
  ExpectDefaultsFrom(h, kIsFinal);

  TZMKHeader g;
  // 60: after the dependency text; the first string after it is missing.
  EXPECT_FALSE(LoadBytes(full.substr(0, 60), &g));
  EXPECT_EQ(g.IsFinal, 1);
  EXPECT_EQ(g.DependsOn, (StringList{"1_2", "3_4"}));
  ExpectDefaultsFrom(g, kMinExeVersion);
}

TEST(TZMKHeaderTest, ShortVersionNeverPassesAsOne) {
  TZMKHeader h;
  EXPECT_FALSE(LoadBytes(test::FromHex("5A4D4B24 010000"), &h));
  EXPECT_EQ(h.RUID.first, 0);
}

TEST(TZMKHeaderTest, RejectsOtherSignaturesAndVersions) {
  const std::string body = test::WorkedExample().substr(8);
  const struct {
    std::string bytes;
    std::int32_t format_version;
  } cases[] = {
      {"zmk$" + test::WorkedExample().substr(4), 0},
      {"ZMK#" + test::WorkedExample().substr(4), 0},
      {"ZMK", 0},
      {"", 0},
      {Bytes().Preamble(2).Raw(body), 2},
      {Bytes().Preamble(0).Raw(body), 0},
      {Bytes().Preamble(-1).Raw(body), -1},
      {Bytes().Preamble(0x101).Raw(body), 0x101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 8)));
    TZMKHeader h;
    EXPECT_FALSE(LoadBytes(c.bytes, &h));
    EXPECT_EQ(h.FormatVersion, c.format_version);
    EXPECT_EQ(h.RUID.first, 0);
    ExpectDefaultsFrom(h, kName);
  }
}

TEST(TZMKHeaderTest, StringLengthsOfZeroOrBelowReadNothing) {
  for (std::int32_t length : {0, -5, -2147483647 - 1}) {
    SCOPED_TRACE(length);
    TZMKHeader h;
    std::string bytes = Bytes()
                            .Preamble().Int32(1).Int32(2)
                            .Int32(length)  // Name
                            .String("c")
                            .Double(1.5).Int32(9).Byte(2)
                            .String("")
                            .String("exe")
                            .String("db");
    ASSERT_TRUE(LoadBytes(bytes, &h));
    EXPECT_EQ(h.Name, "");
    EXPECT_EQ(h.Comment, "c");
    EXPECT_EQ(h.Modified, 1.5);
    EXPECT_EQ(h.Version, 9);
    EXPECT_EQ(h.IsFinal, 2);
    EXPECT_EQ(h.MinExeVersion, "exe");
    EXPECT_EQ(h.MinDBVersion, "db");
  }
}

TEST(TZMKHeaderTest, HugeStringLengthFailsAsAShortFile) {
  for (std::int32_t length : {2000000000, 2147483647, 72}) {
    SCOPED_TRACE(length);
    TZMKHeader h;
    std::string bytes = Bytes().Preamble().Int32(4).Int32(5)
                            .Int32(length).Raw(std::string(71, 'n'));
    EXPECT_FALSE(LoadBytes(bytes, &h));
    EXPECT_EQ(h.RUID.second, 5);
    ExpectDefaultsFrom(h, kName);
  }
}

TEST(TZMKHeaderTest, BytesAreKeptExactly) {
  const std::string name("\xCD\xE0\0\r\n  .", 8);
  std::string bytes = Bytes().Preamble().Int32(1).Int32(1)
                          .String(name)
                          .String(std::string(100000, '\xE9'))
                          .Double(-0.25).Int32(-7).Byte(255)
                          .String("1_1")
                          .String(" 7.1 ")
                          .String("\x01");
  TZMKHeader h;
  ASSERT_TRUE(LoadBytes(bytes + "trailing bytes are not read", &h));
  EXPECT_EQ(h.Name, name);
  EXPECT_EQ(h.Comment, std::string(100000, '\xE9'));
  EXPECT_EQ(h.Modified, -0.25);
  EXPECT_EQ(h.Version, -7);
  EXPECT_EQ(h.IsFinal, 255);
  EXPECT_EQ(h.MinExeVersion, " 7.1 ");
  EXPECT_EQ(h.MinDBVersion, "\x01");
}

TEST(LoadFromStreamTest, ReadsFromAnyStreamPosition) {
  std::string body = test::WorkedExample().substr(8);
  MemoryStream stream(body);
  TSettingHeader h;
  ASSERT_TRUE(h.LoadFromStream(stream));
  EXPECT_EQ(h.Name, "Test");
  EXPECT_EQ(h.DependsOn, (StringList{"1_2", "3_4"}));
}

TEST(ReadStringTest, ReadsLengthPrefixedText) {
  std::string bytes = Bytes().String("abc").Int32(-1).Int32(5).Raw("ab");
  MemoryStream stream(bytes);
  EXPECT_EQ(ReadString(stream), "abc");
  EXPECT_EQ(ReadString(stream), "");
  try {
    ReadString(stream);
    FAIL() << "no error";
  } catch (const ReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

// Hands out `size` bytes, then fails as an allocation would.
class AllocationFailingStream : public Stream {
 public:
  explicit AllocationFailingStream(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(void* dst, std::size_t count) override {
    if (bytes_.empty()) throw std::bad_alloc();
    std::size_t n = std::min(count, bytes_.size());
    std::memcpy(dst, bytes_.data(), n);
    bytes_.erase(0, n);
    return n;
  }

 private:
  std::string bytes_;
};

TEST(ReadStringTest, FailedAllocationIsOutOfMemory) {
  AllocationFailingStream stream(Bytes().Int32(1000).str());
  try {
    ReadString(stream);
    FAIL() << "no error";
  } catch (const OutOfMemoryError& e) {
    EXPECT_STREQ(e.what(), "Out of memory");
  }
  AllocationFailingStream header_stream(Bytes().Int32(1).Int32(2).Int32(1000).str());
  TSettingHeader h;
  EXPECT_FALSE(h.LoadFromStream(header_stream));
  EXPECT_EQ(h.RUID.second, 2);
}

TEST(LoadFromFileTest, MissingFileRaisesAndChangesNothing) {
  const std::string name = test::MissingFileName();
  TZMKHeader h;
  try {
    h.LoadFromFile(name);
    FAIL() << "no error";
  } catch (const OpenError& e) {
    const std::string prefix = "Cannot open file \"" + AbsoluteFileName(name) + "\". ";
    EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix);
  }
  EXPECT_EQ(h.FormatVersion, 0);
  EXPECT_EQ(h.RUID.first, 0);
}

TEST(LoadFromFileTest, DirectoryIsAnOpenFailure) {
  TempFile file(test::WorkedExample());
  std::string dir = file.path().substr(0, file.path().find_last_of("/\\"));
  TZMKHeader h;
  EXPECT_THROW(h.LoadFromFile(dir), OpenError);
  EXPECT_THROW(h.LoadFromFile(""), OpenError);
}

TEST(LoadFromFileTest, ClosesTheFileSoItCanBeOpenedAgain) {
  TempFile file(test::WorkedExample());
  for (int i = 0; i < 3; ++i) {
    TZMKHeader h;
    EXPECT_TRUE(h.LoadFromFile(file.path()));
  }
  TempFile damaged("ZMK$");
  for (int i = 0; i < 3; ++i) {
    TZMKHeader h;
    EXPECT_FALSE(h.LoadFromFile(damaged.path()));
  }
}

// Strings declared far longer than a header needs, in sparse files: the
// first bytes are kept, the rest is skipped unread, and only a string that
// runs past the end of the file fails.
TEST(LoadFromFileTest, LongStringsKeepTheirFirstBytes) {
  const std::string after = Bytes().Double(38718.0).Int32(5).Byte(1).str();
  const std::string rest = Bytes().String("7.1").String("db").str();
  const std::string start = Bytes().Preamble().Int32(12).Int32(3).String("n").str();
  // Empty lines up to the limit, where "7_89" is cut to "7_8".
  const std::string lines = "1_2\r\n" + std::string(kMaxStringBytes - 8, '\n') + "7_89";
  const struct {
    const char* what;
    std::string head;
    std::uint64_t hole;
    std::string tail;
    bool whole;
    std::size_t comment;
    StringList depends_on;
    const char* min_db;
  } cases[] = {
      {"comment of 2e9 bytes, fields after it",
       start + Bytes().Int32(2000000000).Raw(std::string(8192, 'x')).str(),
       2000000000 - 8192, after + Bytes().String("").str() + rest,
       true, kMaxStringBytes, {}, "db"},
      {"comment of 2e9 bytes in a file of 2 MiB",
       start + Bytes().Int32(2000000000).Raw(std::string(8192, 'x')).str(),
       2 << 20, "y", false, 0, {}, ""},
      {"dependency text of 1 GiB cut inside a line",
       start + Bytes().String("").str() + after + Bytes().Int32(1 << 30).Raw(lines).str(),
       (1 << 30) - lines.size(), rest, true, 0, {"1_2"}, "db"},
  };
  for (const auto& c : cases) {
    TempFile file(c.head, c.hole, c.tail);
    TZMKHeader h;
    EXPECT_EQ(h.LoadFromFile(file.path()), c.whole) << c.what;
    EXPECT_EQ(h.Name, "n") << c.what;
    EXPECT_EQ(h.Comment.size(), c.comment) << c.what;
    EXPECT_EQ(h.Comment.find_first_not_of('x'), c.comment ? 8192 : std::string::npos) << c.what;
    EXPECT_EQ(h.DependsOn, c.depends_on) << c.what;
    EXPECT_EQ(h.MinDBVersion, c.min_db) << c.what;
  }
}

// What a file held, without a second look at it: the signature and the
// version tell a file that is no ZMK file from one that ends early.
TEST(LoadFromFileTest, SaysWhatTheFileHeld) {
  const std::string whole = test::WorkedExample();
  const struct {
    const char* what;
    std::string bytes;
    LoadResult result;
  } cases[] = {
      {"whole", whole, LoadResult::kWhole},
      {"empty", "", LoadResult::kNotZMK},
      {"lower-case signature", "zmk$" + whole.substr(4), LoadResult::kNotZMK},
      {"format version 2", Bytes().Preamble(2).str() + whole.substr(8), LoadResult::kNotZMK},
      {"ends inside the version", whole.substr(0, 7), LoadResult::kEndsEarly},
      {"ends after the version", whole.substr(0, 8), LoadResult::kEndsEarly},
      {"ends inside the last string", whole.substr(0, whole.size() - 1), LoadResult::kEndsEarly},
  };
  for (const auto& c : cases) {
    TempFile file(c.bytes);
    TZMKHeader h;
    EXPECT_EQ(h.LoadFromFile(file.path()), c.result == LoadResult::kWhole) << c.what;
    MemoryStream stream(c.bytes);
    EXPECT_EQ(TZMKHeader().LoadFromZMKStream(stream), c.result) << c.what;
  }
}

// A cut dependency text is known for what it was: the bytes declared and
// the bytes of whole lines that were used. A whole one records nothing.
TEST(LoadFromStreamTest, RecordsACutDependencyText) {
  const std::string lines = "1_2\r\n" + std::string(kMaxStringBytes - 8, '\n') + "7_89";
  const std::string head = Bytes().Int32(12).Int32(3).String("n").String("").Double(1.0)
                               .Int32(1).Byte(0).str();
  const std::string rest = Bytes().String("").String("").str();
  const std::string cut_bytes =
      head + Bytes().Int32(static_cast<std::int32_t>(lines.size() + 10)).Raw(lines)
                 .Raw("0123456789").str() + rest;
  const std::string small_bytes = head + Bytes().String("1_2").str() + rest;
  TSettingHeader h;
  MemoryStream cut(cut_bytes);
  ASSERT_TRUE(h.LoadFromStream(cut));
  EXPECT_EQ(h.DependsOnDeclared, lines.size() + 10);
  EXPECT_EQ(h.DependsOnKept, kMaxStringBytes - 3);  // up to the last line end
  EXPECT_EQ(h.DependsOn, StringList{"1_2"});
  MemoryStream small(small_bytes);
  ASSERT_TRUE(h.LoadFromStream(small));
  EXPECT_EQ(h.DependsOnDeclared, 0u);
  EXPECT_EQ(h.DependsOnKept, 0u);
}

}  // namespace
}  // namespace zmk
