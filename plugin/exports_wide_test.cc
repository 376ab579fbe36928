// Through the wide entry point, which the 64-bit module alone has.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "header/test_file.h"
#include "plugin/exports_test.h"

namespace zmk {
namespace {

using test::Bytes;
using test::FromHex;
using test::TempFile;

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

}  // namespace
}  // namespace zmk
