#include "platform/cp1251.h"

#include <cstdint>

#include "platform/host_charset.h"
#include "platform/utf8.h"

namespace zmk {

namespace {

// Code points of the bytes 0x80 to 0xBF; from 0xC0 on the letters А to я
// run in order from U+0410.
const std::uint16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

}  // namespace

std::uint32_t Cp1251CodePoint(unsigned char b) {
  return b < 0x80 ? b : b < 0xC0 ? kHigh[b - 0x80] : 0x0410 + (b - 0xC0);
}

const CharsetTable& Cp1251Table() {
  static const CharsetTable table = [] {
    CharsetTable t{};
    for (int b = 0; b < 256; ++b) {
      t.length[b] = 1;
      t.bytes[b][0] = static_cast<char>(b);
    }
    t.longest = 1;
    t.as_is = true;
    return t;
  }();
  return table;
}

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) AppendUtf8(Cp1251CodePoint(static_cast<unsigned char>(c)), &out);
  return out;
}

}  // namespace zmk
