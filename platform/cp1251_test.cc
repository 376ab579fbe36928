#include "platform/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace zmk {
namespace {

TEST(Cp1251ToUtf8Test, AgreesWithTheSystemConverterForEveryByte) {
  iconv_t cd = ::iconv_open("UTF-8", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;  // undefined in the code page
    char in[1] = {static_cast<char>(b)};
    char out[8];
    char* in_p = in;
    char* out_p = out;
    std::size_t in_left = 1, out_left = sizeof out;
    ASSERT_NE(::iconv(cd, &in_p, &in_left, &out_p, &out_left), static_cast<std::size_t>(-1)) << b;
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, in[0])), std::string(out, out_p)) << "byte " << b;
  }
  ::iconv_close(cd);
}

TEST(Cp1251ToUtf8Test, ConvertsText) {
  EXPECT_EQ(Cp1251ToUtf8("\xD0\xD3\xC8\xC4"), "РУИД");
  EXPECT_EQ(Cp1251ToUtf8("\xCC\xE8\xED \xE2\xE5\xF0\xF1\xE8\xFF \xC1\xC4 1.0"), "Мин версия БД 1.0");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(Cp1251ToUtf8(""), "");
}

}  // namespace
}  // namespace zmk
