#include "platform/cp1251.h"
#include "platform/host_charset.h"

namespace zmk {

const CharsetTable& HostCharset() { return Cp1251Table(); }

std::string HostTextToUtf8(std::string_view text) { return Cp1251ToUtf8(text); }

std::string HostTextToTerminal(std::string_view text) { return Cp1251ToUtf8(text); }

std::string Cp1251ToTerminal(std::string_view text) { return Cp1251ToUtf8(text); }

}  // namespace zmk
