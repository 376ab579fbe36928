#include "platform/cp1251.h"
#include "platform/host_charset.h"
#include "platform/utf8.h"

namespace zmk {

const CharsetTable& HostCharset() { return Cp1251Table(); }

std::string HostTextToUtf8(std::string_view text) { return Cp1251ToUtf8(text); }

std::string HostTextToTerminal(std::string_view text) { return Cp1251ToUtf8(text); }

std::string Cp1251ToTerminal(std::string_view text) { return Cp1251ToUtf8(text); }

// zmkinfo writes UTF-8 on Windows: to a console as characters.
TerminalSet TerminalCharset() { return TerminalSet::kUtf8; }

std::size_t TerminalCharacter(std::string_view text, bool* printable) {
  std::uint32_t cp = 0;
  const std::size_t n = DecodeUtf8(text, &cp);
  *printable = cp >= 0xA0 || (cp >= 0x20 && cp != 0x7F);
  return n;
}

}  // namespace zmk
