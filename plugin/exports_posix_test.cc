// The exports on POSIX: text in the character set of the host's locale.
#include <iconv.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "header/test_file.h"
#include "plugin/exports_test.h"

namespace zmk {
namespace {

using test::Bytes;
using test::TempFile;

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

}  // namespace
}  // namespace zmk
