// The built module, loaded and called through its exports as a host does.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "header/test_file.h"
#include "platform/module.h"
#include "plugin/content_plugin.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <clocale>
#endif

namespace zmk {
namespace {

using test::Bytes;
using test::FromHex;
using test::TempFile;

class ExportsTest : public testing::Test {
 protected:
  // The module's own bytes, Windows-1251, are what a Windows host gets, and
  // what the Linux module gives in a Windows-1251 locale.
  static void SetUpTestSuite() {
#ifndef _WIN32
    ASSERT_NE(std::setlocale(LC_ALL, "ru_RU.CP1251"), nullptr)
        << "scripts/install-deps generates the locale ru_RU.CP1251";
#endif
    module_ = new Module(ZMK_MODULE_PATH);
  }
  static void TearDownTestSuite() {
    delete module_;
    module_ = nullptr;
#ifndef _WIN32
    std::setlocale(LC_ALL, "C");
#endif
  }

  static std::string DetectString(int max_len) {
    std::string buf(64, '#');
    module_->Function<ContentGetDetectStringFunc>("ContentGetDetectString")(
        &buf[8], max_len);
    return buf;
  }

  static int SupportedField(int index, std::string* name, std::string* units,
                            int max_len = 256) {
    return module_->Function<ContentGetSupportedFieldFunc>(
        "ContentGetSupportedField")(index, &(*name)[0], &(*units)[0], max_len);
  }

  static int Value(const char* file, int index, void* buf, int max_len) {
    return module_->Function<ContentGetValueFunc>("ContentGetValue")(
        file, index, 0, buf, max_len, 0);
  }

  // A string field read into a buffer of max_len bytes between guards.
  static std::string StringValue(const std::string& file, int index,
                                 int max_len = 1024, int* result = nullptr) {
    const std::size_t room = max_len > 0 ? static_cast<std::size_t>(max_len) : 0;
    std::string buf(room + 16, '#');
    int r = Value(file.c_str(), index, &buf[8], max_len);
    if (result != nullptr) *result = r;
    EXPECT_EQ(buf.substr(0, 8), "########");
    EXPECT_EQ(buf.substr(8 + room), "########") << "written past MaxLen";
    std::string written = buf.substr(8, room);
    std::size_t nul = written.find('\0');
    if (result == nullptr) {
      EXPECT_EQ(r, ft_string);
    }
    return nul == std::string::npos ? "<no NUL>" : written.substr(0, nul);
  }

  static std::string DateValue(const std::string& file) {
    unsigned char buf[16];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(Value(file.c_str(), 3, buf, sizeof buf), ft_date);
    EXPECT_EQ(buf[6], 0xEE);
    HostDate d;
    std::memcpy(&d, buf, sizeof d);
    return std::to_string(d.wYear) + "-" + std::to_string(d.wMonth) + "-" +
           std::to_string(d.wDay);
  }

  static std::int32_t IntValue(const std::string& file, int index, int type) {
    unsigned char buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(Value(file.c_str(), index, buf, sizeof buf), type);
    EXPECT_EQ(buf[4], 0xEE);
    std::int32_t v;
    std::memcpy(&v, buf, sizeof v);
    return v;
  }

  static Module* module_;
};

Module* ExportsTest::module_ = nullptr;

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
  for (int i = 0; i < 9; ++i) {
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

TEST_F(ExportsTest, NullBuffersAreLeftAlone) {
  auto supported = module_->Function<ContentGetSupportedFieldFunc>("ContentGetSupportedField");
  EXPECT_EQ(supported(0, nullptr, nullptr, 256), ft_string);
  module_->Function<ContentGetDetectStringFunc>("ContentGetDetectString")(nullptr, 256);
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

TEST_F(ExportsTest, NullAndEmptyNamesNeverCrash) {
  std::string buf(64, '#');
  int r = Value(nullptr, 0, &buf[0], 64);
  EXPECT_TRUE(r == ft_string || r == ft_fileerror) << r;
  r = Value("", 0, &buf[0], 64);
  EXPECT_TRUE(r == ft_string || r == ft_fileerror) << r;
  TempFile file(test::WorkedExample());
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

#ifdef _WIN32
TEST_F(ExportsTest, FileHeldOpenElsewhereIsAFileError) {
  TempFile file(test::WorkedExample());
  HANDLE other = ::CreateFileA(file.path().c_str(), GENERIC_READ,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  int result = 0;
  StringValue(file.path(), 1, 64, &result);
  EXPECT_EQ(result, ft_fileerror);
  ::CloseHandle(other);
  EXPECT_EQ(StringValue(file.path(), 1), "Test");
}
#endif

#ifdef _WIN64

std::wstring Wide(const std::string& text, UINT code_page = CP_ACP) {
  std::wstring out(text.size(), L'\0');
  const int n = text.empty() ? 0 : ::MultiByteToWideChar(code_page, 0, text.data(),
                                                         static_cast<int>(text.size()),
                                                         &out[0], static_cast<int>(out.size()));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// Through the wide entry point, which the 64-bit module alone has.
class WideExportsTest : public ExportsTest {
 protected:
  static int ValueW(const std::wstring& file, int index, void* buf, int max_len) {
    return module_->Function<ContentGetValueWFunc>("ContentGetValueW")(file.c_str(), index, 0,
                                                                       buf, max_len, 0);
  }

  // A string field read into max_len bytes between guards, up to its NUL;
  // the byte after the last whole unit of an odd max_len stays untouched.
  static std::wstring StringValueW(const std::wstring& file, int index, int max_len = 1024,
                                   int* result = nullptr) {
    const std::size_t room = max_len > 0 ? static_cast<std::size_t>(max_len) : 0;
    std::vector<unsigned char> buf(room + 16, 0xEE);
    const int r = ValueW(file, index, &buf[8], max_len);
    if (result != nullptr) *result = r;
    if (result == nullptr) {
      EXPECT_EQ(r, ft_stringw);
    }
    const std::size_t units = room / 2;
    std::wstring written(units, L'\0');
    if (units > 0) std::memcpy(&written[0], &buf[8], units * 2);
    for (std::size_t i = 0; i < buf.size(); ++i) {
      if (i < 8 || i >= 8 + units * 2) {
        EXPECT_EQ(buf[i], 0xEE) << "byte " << i - 8;
      }
    }
    const std::size_t nul = written.find(L'\0');
    return nul == std::wstring::npos ? L"<no NUL>" : written.substr(0, nul);
  }
};

TEST_F(WideExportsTest, StringFieldsAsUtf16ThroughBothEntryPoints) {
  // Пакет №5: «учёт» — ok; €
  const std::string name = FromHex("CF E0 EA E5 F2 20 B9 35 3A 20 AB F3 F7 B8 F2 BB 20 97 20 6F 6B 3B 20 88");
  TempFile file(Bytes().Preamble().Int32(12).Int32(3).String(name).String("comment, ASCII")
                    .Double(38718.0).Int32(5).Byte(1).String("1_2\r\n3_4").String("7.1")
                    .String(""));
  const std::wstring wide_name = Wide(file.path());
  EXPECT_EQ(StringValueW(wide_name, 1), L"Пакет №5: «учёт» — ok; €");
  // For every string field and every MaxLen up to past the whole value,
  // odd and even: the wide value in N bytes is the ANSI one in N / 2 bytes,
  // character for character.
  for (int index : {0, 1, 2, 6, 7, 8}) {
    for (int max_len = -1; max_len <= 2 * static_cast<int>(name.size()) + 5; ++max_len) {
      SCOPED_TRACE(std::to_string(index) + " in " + std::to_string(max_len));
      const std::string ansi = StringValue(file.path(), index, max_len / 2);
      EXPECT_EQ(StringValueW(wide_name, index, max_len), Wide(ansi, 1251));
    }
  }
  // The other fields as through the ANSI function, bytes and codes.
  for (int index : {3, 4, 5, 9, -1}) {
    SCOPED_TRACE(index);
    unsigned char ansi[16], wide[16];
    std::memset(ansi, 0xEE, sizeof ansi);
    std::memset(wide, 0xEE, sizeof wide);
    EXPECT_EQ(ValueW(wide_name, index, wide, 8), Value(file.path().c_str(), index, ansi, 8));
    EXPECT_EQ(std::memcmp(ansi, wide, sizeof ansi), 0);
  }
}

// A file named with characters that no ANSI code page has all of, in a
// folder named so too.
TEST_F(WideExportsTest, GreekAndCjkNames) {
  const std::wstring dir = Wide(test::MissingFileName()) + L" Ελληνικά 中文";
  const std::wstring path = dir + L"\\αρχείο 文件.zmk";
  ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const std::string bytes = test::WorkedExample();
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ::CloseHandle(h);

  EXPECT_EQ(StringValueW(path, 0), L"12_3");
  EXPECT_EQ(StringValueW(path, 1), L"Test");
  int result = 0;
  EXPECT_EQ(StringValueW(dir, 1, 64, &result), L"<no NUL>");
  EXPECT_EQ(result, ft_fileerror);  // a folder is no file
  // The ANSI function is given the name as far as the ANSI code page has
  // it: "?" for the rest, which no file name holds.
  char ansi[MAX_PATH * 2];
  BOOL lost = FALSE;
  ASSERT_GT(::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi, sizeof ansi, nullptr, &lost), 0);
  ASSERT_TRUE(lost) << "code page " << ::GetACP();
  StringValue(ansi, 1, 64, &result);
  EXPECT_EQ(result, ft_fileerror);

  EXPECT_TRUE(::DeleteFileW(path.c_str()));
  EXPECT_TRUE(::RemoveDirectoryW(dir.c_str()));
}

// One cache for both: a file read through either function is read once,
// another replaces it, a failed open leaves it.
TEST_F(WideExportsTest, OneCacheForBothEntryPoints) {
  for (bool wide_first : {false, true}) {
    SCOPED_TRACE(wide_first ? "wide first" : "ANSI first");
    TempFile a(test::WorkedExample());
    const std::wstring wide_a = Wide(a.path());
    if (wide_first) {
      EXPECT_EQ(StringValueW(wide_a, 1), L"Test");
    } else {
      EXPECT_EQ(StringValue(a.path(), 1), "Test");
    }
    std::remove(a.path().c_str());
    EXPECT_EQ(StringValue(a.path(), 1), "Test");  // from the cache
    EXPECT_EQ(StringValueW(wide_a, 1), L"Test");

    int result = 0;
    const std::string missing = test::MissingFileName();
    StringValue(missing, 1, 64, &result);
    EXPECT_EQ(result, ft_fileerror);
    StringValueW(Wide(missing), 1, 64, &result);
    EXPECT_EQ(result, ft_fileerror);
    EXPECT_EQ(StringValueW(wide_a, 1), L"Test");  // still cached
    EXPECT_EQ(StringValue(a.path(), 1), "Test");

    TempFile b(Bytes().Preamble().Int32(2).Int32(2));
    if (wide_first) {
      EXPECT_EQ(StringValue(b.path(), 0), "2_2");
    } else {
      EXPECT_EQ(StringValueW(Wide(b.path()), 0), L"2_2");
    }
    StringValue(a.path(), 0, 64, &result);  // read again: gone
    EXPECT_EQ(result, ft_fileerror);
    StringValueW(wide_a, 0, 64, &result);
    EXPECT_EQ(result, ft_fileerror);
  }
}

#endif  // _WIN64

#ifndef _WIN32

// `text` converted character by character with iconv, "?" for a character
// the target set lacks.
std::string Convert(const std::string& text, const char* from, const char* to,
                    std::vector<std::size_t>* ends = nullptr) {
  iconv_t cd = ::iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " to " << to;
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    // One character: a UTF-8 sequence, or one byte of a single-byte set.
    std::size_t n = 1;
    if (std::string(from) == "UTF-8") {
      while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    }
    std::string in = text.substr(i, n);
    char buf[16];
    char* in_p = &in[0];
    char* out_p = buf;
    std::size_t in_left = n, out_left = sizeof buf;
    if (::iconv(cd, &in_p, &in_left, &out_p, &out_left) == static_cast<std::size_t>(-1)) {
      out += '?';
    } else {
      out.append(buf, out_p);
    }
    if (ends != nullptr) ends->push_back(out.size());
    i += n;
  }
  ::iconv_close(cd);
  return out;
}

bool ValidIn(const std::string& text, const char* charset) {
  iconv_t cd = ::iconv_open("UTF-32LE", charset);
  std::string in = text;
  std::vector<char> out(text.size() * 4 + 4);
  char* in_p = &in[0];
  char* out_p = out.data();
  std::size_t in_left = in.size(), out_left = out.size();
  const bool ok = ::iconv(cd, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1);
  ::iconv_close(cd);
  return ok && in_left == 0;
}

// The Linux module gives its text in the character set of the host's
// locale; the plain C locale counts as UTF-8.
TEST_F(ExportsTest, TextInTheCharacterSetOfTheLocale) {
  const std::string names[] = {"РУИД", "Наименование", "Комментарий", "Изменен", "Версия",
                               "Конечная", "Зависит от", "Мин версия exe-файла",
                               "Мин версия БД"};
  const std::string value = Convert("Пакет №5: «учёт» — ok, ещё", "UTF-8", "CP1251");
  TempFile file(Bytes().Preamble().Int32(1).Int32(1).String(value).String("")
                    .Double(0).Int32(0).Byte(0).String("").String("").String(""));
  const struct {
    const char* locale;
    const char* charset;
  } modes[] = {
      {"C.UTF-8", "UTF-8"}, {"C", "UTF-8"}, {"ru_RU.CP1251", "CP1251"}, {"ru_RU.KOI8-R", "KOI8-R"},
  };
  for (const auto& mode : modes) {
    SCOPED_TRACE(mode.locale);
    ASSERT_NE(std::setlocale(LC_ALL, mode.locale), nullptr)
        << "scripts/install-deps generates the locale";
    for (int i = 0; i < 9; ++i) {
      std::string name(256, '#'), units(256, '#');
      SupportedField(i, &name, &units);
      EXPECT_EQ(name.substr(0, name.find('\0')), Convert(names[i], "UTF-8", mode.charset));
    }
    std::vector<std::size_t> ends;  // where each character ends
    const std::string whole = Convert(value, "CP1251", mode.charset, &ends);
    EXPECT_EQ(StringValue(file.path(), 1), whole);
    for (int max_len = 1; max_len <= 64; ++max_len) {
      SCOPED_TRACE(max_len);
      const std::string got = StringValue(file.path(), 1, max_len);
      std::string expected = whole;
      if (whole.size() >= static_cast<std::size_t>(max_len)) {
        std::size_t keep = 0;  // the characters that fit in MaxLen - 4 bytes
        for (std::size_t end : ends) {
          if (end + 4 <= static_cast<std::size_t>(max_len)) keep = end;
        }
        expected = (whole.substr(0, keep) + "...").substr(0, max_len - 1);
      }
      EXPECT_EQ(got, expected);
      EXPECT_TRUE(ValidIn(got, mode.charset));
    }
  }

  // The cache holds the file's bytes, not their form for one locale: after
  // the file is gone, the values still come, in the locale of the request.
  ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
  const std::string name_utf8 = StringValue(file.path(), 1);
  std::remove(file.path().c_str());
  ASSERT_NE(std::setlocale(LC_ALL, "ru_RU.CP1251"), nullptr);
  EXPECT_EQ(StringValue(file.path(), 1), value);
  ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
  EXPECT_EQ(StringValue(file.path(), 1), name_utf8);
  std::setlocale(LC_ALL, "ru_RU.CP1251");
}

#endif  // !_WIN32

}  // namespace
}  // namespace zmk
