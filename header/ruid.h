// RUIDs, the identifiers of setting packages, and the integer texts they
// are written in.
#ifndef ZMK_HEADER_RUID_H_
#define ZMK_HEADER_RUID_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace zmk {

// Two numbers, both 1 or more in a valid RUID. -1 in either stands for no
// RUID, whose text is empty.
struct TRUID {
  std::int32_t first;
  std::int32_t second;
};

// "first_second" in shortest decimal, or "" for no RUID.
std::string RUIDToStr(const TRUID& ruid);
// The same into `out`, reusing its buffer.
void RUIDToStr(const TRUID& ruid, std::string* out);

// The empty text gives -1, -1. Throws ConvertError for anything that is not
// two positive integer texts joined by the first underscore; of the text after
// the underscore only the first 255 bytes are looked at.
TRUID StrToRUID(const std::string& text);

// Whether StrToRUID would accept `text`, without the cost of an exception.
bool IsRUIDText(std::string_view text);

// Leading spaces, one optional sign, then decimal digits within the signed
// 32-bit range, or hexadecimal digits behind "$", "x", "X", "0x" or "0X", at
// most eight of them significant, taken as a two's-complement pattern.
// Nothing may follow the digits. Throws ConvertError.
std::int32_t StrToInt(const std::string& text);

}  // namespace zmk

#endif  // ZMK_HEADER_RUID_H_
