// The character set in which the host reads the module's text.
//
// A Windows host takes the module's Windows-1251 bytes as they are: that
// code page is the module's contract with it. Elsewhere the contract is
// the character set of the process's current locale, which hosts set before
// they load plugins; the plain C locale counts as UTF-8, as its hosts
// expect.
#ifndef ZMK_PLATFORM_HOST_CHARSET_H_
#define ZMK_PLATFORM_HOST_CHARSET_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zmk {

// How each byte of Windows-1251 text is written in a character set:
// `length[b]` bytes (1 to 4) from `bytes[b]`. Every ASCII byte stands for
// itself; a character the set lacks is "?".
struct CharsetTable {
  std::uint8_t length[256];
  char bytes[256][4];
  std::size_t longest;  // the greatest length
  bool as_is;  // each byte stands for itself: Windows-1251 (no step needed)
};

// The table for the host's character set as of now: Windows-1251 as it is
// on Windows and in a Windows-1251 locale, UTF-8 in a UTF-8 or ASCII one,
// any other set through the C library's iconv. Cheap enough for every
// request, and safe from any thread; a change of the locale between two
// calls is seen by the second. Tables live as long as the module.
const CharsetTable& HostCharset();

// Windows-1251 as it is: each byte stands for itself.
const CharsetTable& Cp1251Table();

// For programs that show the host's text: `text`, as the module gives it
// to this process, in UTF-8.
std::string HostTextToUtf8(std::string_view text);

// The same as this process's terminal shows it.
std::string HostTextToTerminal(std::string_view text);

// Windows-1251 text as this process's terminal shows it.
std::string Cp1251ToTerminal(std::string_view text);

// What kind of character set this process's terminal has, for showing
// text safely: UTF-8 (as on Windows, and in the plain C locale, as above),
// a single-byte set, or another multibyte set.
enum class TerminalSet { kUtf8, kSingleByte, kMultibyte };
TerminalSet TerminalCharset();

// In the terminal's multibyte set: the length of the character at the
// start of `text`, and whether it is printable; 0 when the bytes there are
// no whole character of the set.
std::size_t TerminalCharacter(std::string_view text, bool* printable);

}  // namespace zmk

#endif  // ZMK_PLATFORM_HOST_CHARSET_H_
