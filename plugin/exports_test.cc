// The built module, loaded and called through its exports as a host does.
#include "plugin/exports_test.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "header/test_file.h"
#include "plugin/fields.h"

namespace zmk {

Module* ExportsTest::module_ = nullptr;

namespace {

using test::Bytes;
using test::FromHex;
using test::TempFile;

TEST_F(ExportsTest, DetectStringMatchesZmkFiles) {
  EXPECT_EQ(DetectString(256), std::string("########EXT=\"ZMK\"\0", 18) +
                                   std::string(64 - 18, '#'));
  // Short buffers get what fits, NUL-terminated; none gets nothing.
  EXPECT_EQ(DetectString(10).substr(0, 19), std::string("########EXT=\"ZMK\"\0#", 19));
  EXPECT_EQ(DetectString(4).substr(0, 13), std::string("########EXT\0#", 13));
  EXPECT_EQ(DetectString(0).substr(0, 9), "#########");
}

TEST_F(ExportsTest, CatalogueNamesAndTypes) {
  const struct {
    const char* hex;
    int type;
  } fields[] = {
      {"D0 D3 C8 C4", ft_string},
      {"CD E0 E8 EC E5 ED EE E2 E0 ED E8 E5", ft_string},
      {"CA EE EC EC E5 ED F2 E0 F0 E8 E9", ft_string},
      {"C8 E7 EC E5 ED E5 ED", ft_date},
      {"C2 E5 F0 F1 E8 FF", ft_numeric_32},
      {"CA EE ED E5 F7 ED E0 FF", ft_boolean},
      {"C7 E0 E2 E8 F1 E8 F2 20 EE F2", ft_string},
      {"CC E8 ED 20 E2 E5 F0 F1 E8 FF 20 65 78 65 2D F4 E0 E9 EB E0", ft_string},
      {"CC E8 ED 20 E2 E5 F0 F1 E8 FF 20 C1 C4", ft_string},
  };
  static_assert(sizeof fields / sizeof fields[0] == kFieldCount);
  for (int i = 0; i < kFieldCount; ++i) {
    SCOPED_TRACE(i);
    std::string name(256, '#'), units(256, '#');
    EXPECT_EQ(SupportedField(i, &name, &units), fields[i].type);
    EXPECT_EQ(name.substr(0, name.find('\0')), FromHex(fields[i].hex));
    EXPECT_EQ(units[0], '\0');
  }
}

TEST_F(ExportsTest, CatalogueEndsAtNineAndTakesNegativeIndexes) {
  for (int index : {9, 10, 1000}) {
    std::string name(256, '#'), units(256, '#');
    EXPECT_EQ(SupportedField(index, &name, &units), ft_nomorefields);
    EXPECT_EQ(name, std::string(256, '#'));  // left alone
    EXPECT_EQ(units[0], '\0');               // emptied all the same
  }
  for (int index : {-1, -1000}) {
    std::string name(256, '#'), units(256, '#');
    EXPECT_EQ(SupportedField(index, &name, &units), ft_string);
    EXPECT_EQ(name[0], '\0');
    EXPECT_EQ(units[0], '\0');
  }
}

// A null buffer is left alone, and the other one still gets its text.
TEST_F(ExportsTest, NullBuffersAreLeftAlone) {
  auto supported = module_->Function<ContentGetSupportedFieldFunc>("ContentGetSupportedField");
  for (int index = -1; index <= kFieldCount; ++index) {
    SCOPED_TRACE(index);
    std::string name(256, '#'), units(256, '#');
    const int type = SupportedField(index, &name, &units);
    std::string units_alone(256, '#');
    EXPECT_EQ(supported(index, nullptr, &units_alone[0], 256), type);
    EXPECT_EQ(units_alone, units);
    std::string name_alone(256, '#');
    EXPECT_EQ(supported(index, &name_alone[0], nullptr, 256), type);
    EXPECT_EQ(name_alone, name);
  }
  module_->Function<ContentGetDetectStringFunc>("ContentGetDetectString")(nullptr, 256);
  EXPECT_EQ(DetectString(256).substr(0, 18), std::string("########EXT=\"ZMK\"\0", 18));
}

TEST_F(ExportsTest, FieldNameIsCutToTheBuffer) {
  std::string name(32, '#'), units(32, '#');
  EXPECT_EQ(SupportedField(7, &name, &units, 5), ft_string);
  EXPECT_EQ(name.substr(0, 6), FromHex("CC E8 ED 20 00 23"));
  EXPECT_EQ(units.substr(0, 2), std::string("\0#", 2));
}

TEST_F(ExportsTest, WorkedExampleFields) {
  TempFile file(test::WorkedExample());
  const std::string& f = file.path();
  EXPECT_EQ(StringValue(f, 0), "12_3");
  EXPECT_EQ(StringValue(f, 1), "Test");
  EXPECT_EQ(StringValue(f, 2), "");
  EXPECT_EQ(DateValue(f), "2006-1-1");
  EXPECT_EQ(IntValue(f, 4, ft_numeric_32), 5);
  EXPECT_EQ(IntValue(f, 5, ft_boolean), 1);
  EXPECT_EQ(StringValue(f, 6), "1_2,3_4");
  EXPECT_EQ(StringValue(f, 7), "7.1");
  EXPECT_EQ(StringValue(f, 8), "");
  EXPECT_EQ(StringValue(f, 1, 5), "Test");
  EXPECT_EQ(StringValue(f, 1, 4), "...");
}

TEST_F(ExportsTest, StringValuesAreCutToTheBuffer) {
  const std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
  TempFile file(Bytes().Preamble().Int32(1).Int32(1).String(thirty)
                    .String(std::string("ab\0cd", 5)).Double(0).Int32(0)
                    .Byte(0).String("").String("").String(""));
  const std::string& f = file.path();
  const struct {
    int index;
    int max_len;
    std::string value;
  } cases[] = {
      {1, 31, thirty},
      {1, 30, thirty.substr(0, 26) + "..."},
      {1, 29, thirty.substr(0, 25) + "..."},
      {1, 3, ".."},
      {1, 1, ""},
      {2, 100, "ab"},  // stops at the NUL inside the value
      {0, 4, "1_1"},
      {0, 3, ".."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.index) + " in " + std::to_string(c.max_len));
    EXPECT_EQ(StringValue(f, c.index, c.max_len), c.value);
  }
  std::string untouched(16, '#');
  EXPECT_EQ(Value(f.c_str(), 1, &untouched[8], 0), ft_string);
  EXPECT_EQ(untouched, std::string(16, '#'));
}

TEST_F(ExportsTest, DatesAndFlags) {
  const struct {
    double modified;
    std::uint8_t is_final;
    const char* date;
  } cases[] = {
      {0.0, 0, "1899-12-30"},
      {1.5, 2, "1899-12-31"},
      {-700000.0, 255, "0-0-0"},
      {-693593.0, 1, "1-1-1"},
      {0.999999999, 0, "1899-12-31"},
      {23242573.0, 0, "0-0-0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.modified);
    TempFile file(Bytes().Preamble().Int32(1).Int32(1).String("").String("")
                      .Double(c.modified).Int32(0).Byte(c.is_final)
                      .String("").String("").String(""));
    EXPECT_EQ(DateValue(file.path()), c.date);
    EXPECT_EQ(IntValue(file.path(), 5, ft_boolean), c.is_final);
  }
}

TEST_F(ExportsTest, IndexesOutOfRange) {
  TempFile file(test::WorkedExample());
  std::string buf(16, '#');
  EXPECT_EQ(Value(file.path().c_str(), 9, &buf[0], 16), ft_nosuchfield);
  EXPECT_EQ(Value(file.path().c_str(), -1, &buf[0], 16), ft_fieldempty);
  EXPECT_EQ(buf, std::string(16, '#'));
}

TEST_F(ExportsTest, IndexNineStillReadsTheFile) {
  TempFile file(test::WorkedExample());
  TempFile other(Bytes().Preamble().Int32(2).Int32(2));
  StringValue(other.path(), 0);
  std::string buf(16, '#');
  EXPECT_EQ(Value(file.path().c_str(), 9, &buf[0], 16), ft_nosuchfield);
  // Were the file not cached by now, the rewrite would show.
  std::remove(file.path().c_str());
  EXPECT_EQ(StringValue(file.path(), 1), "Test");
}

TEST_F(ExportsTest, CacheKeyAndFailedOpens) {
  TempFile a(test::WorkedExample());
  EXPECT_EQ(StringValue(a.path(), 1), "Test");
  std::remove(a.path().c_str());
  EXPECT_EQ(StringValue(a.path(), 1), "Test");  // same name: from the cache

  // Another name that cannot be opened: the file error, nothing written.
  const std::string missing = test::MissingFileName();
  int result = 0;
  EXPECT_EQ(StringValue(missing, 1, 64, &result), "<no NUL>");
  EXPECT_EQ(result, ft_fileerror);
  // The key is still the first file's: it is answered from the cache.
  EXPECT_EQ(StringValue(a.path(), 1), "Test");
  // Once another file was loaded, the removed one is read again, and fails.
  TempFile b(Bytes().Preamble().Int32(2).Int32(2));
  EXPECT_EQ(StringValue(b.path(), 0), "2_2");
  EXPECT_EQ(StringValue(a.path(), 0, 64, &result), "<no NUL>");
  EXPECT_EQ(result, ft_fileerror);
}

// A null name counts as the empty one: once a file was read, another name,
// which opens nothing and leaves the buffer and the cache alone.
TEST_F(ExportsTest, NullAndEmptyNamesAreFileErrors) {
  TempFile file(test::WorkedExample());
  EXPECT_EQ(StringValue(file.path(), 1), "Test");
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(name == nullptr ? "null" : "empty");
    std::string buf(64, '#');
    EXPECT_EQ(Value(name, 0, &buf[0], 64), ft_fileerror);
    EXPECT_EQ(buf, std::string(64, '#'));
  }
  std::remove(file.path().c_str());
  EXPECT_EQ(StringValue(file.path(), 1), "Test");  // still the key
  EXPECT_EQ(Value(file.path().c_str(), 0, nullptr, 64), ft_fieldempty);
}

TEST_F(ExportsTest, NumbersNeedRoomForTheirBytes) {
  TempFile file(test::WorkedExample());
  unsigned char buf[8];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(Value(file.path().c_str(), 4, buf, 3), ft_fieldempty);
  EXPECT_EQ(Value(file.path().c_str(), 3, buf, 5), ft_fieldempty);
  for (unsigned char b : buf) EXPECT_EQ(b, 0xEE);
}
}  // namespace
}  // namespace zmk
