// Text as zmkinfo prints it: for a terminal, and for JSON.
#ifndef ZMK_TOOLS_ZMKINFO_OUTPUT_H_
#define ZMK_TOOLS_ZMKINFO_OUTPUT_H_

#include <string>
#include <string_view>

namespace zmk {

// `text` with its control characters shown, not passed to the terminal: a
// name holding escape sequences or line ends must not drive the terminal
// or fake lines. "\t", "\n", "\r"; any other as "\x1b".
std::string Escaped(std::string_view text);

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_OUTPUT_H_
