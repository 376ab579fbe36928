// UTF-8, strictly: the one decoder and encoder of the tree.
#ifndef ZMK_PLATFORM_UTF8_H_
#define ZMK_PLATFORM_UTF8_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zmk {

// The length (1 to 4) of the UTF-8 sequence at the start of `text`, with
// its code point; 0 when there is none: an empty text, a stray or cut
// sequence, an overlong form, a UTF-16 surrogate or a code point beyond
// U+10FFFF.
std::size_t DecodeUtf8(std::string_view text, std::uint32_t* code_point);

// Whether all of `text` is such sequences.
bool IsUtf8(std::string_view text);

// Appends the UTF-8 form of a code point up to U+10FFFF.
void AppendUtf8(std::uint32_t code_point, std::string* out);

}  // namespace zmk

#endif  // ZMK_PLATFORM_UTF8_H_
