// Windows-1251 text shown on a UTF-8 terminal. For display only: the module
// itself never converts text.
#ifndef ZMK_TOOLS_ZMKINFO_CP1251_H_
#define ZMK_TOOLS_ZMKINFO_CP1251_H_

#include <string>
#include <string_view>

namespace zmk {

// The one byte that Windows-1251 leaves undefined (0x98) becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view text);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_CP1251_H_
