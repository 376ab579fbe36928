// Windows-1251, the code page of the ZMK files' text, in Unicode.
#ifndef ZMK_PLATFORM_CP1251_H_
#define ZMK_PLATFORM_CP1251_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace zmk {

// The code point of a Windows-1251 byte. The one byte that the code page
// leaves undefined (0x98) gives U+FFFD.
std::uint32_t Cp1251CodePoint(unsigned char byte);

std::string Cp1251ToUtf8(std::string_view text);

}  // namespace zmk

#endif  // ZMK_PLATFORM_CP1251_H_
