#include "tools/zmkinfo/output.h"

#include <cstdio>

#include "platform/command_line.h"
#include "platform/host_charset.h"

namespace zmk {

namespace {

void AppendHex(const char* format, unsigned value, std::string* out) {
  char esc[12];
  std::snprintf(esc, sizeof esc, format, value);
  *out += esc;
}

// The length of the UTF-8 sequence at the start of `text` (1 to 4) and its
// code point, or 0 when it is no valid sequence.
std::size_t DecodeUtf8(std::string_view text, std::uint32_t* code_point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  }
  std::size_t length;
  std::uint32_t cp, least;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (byte(i) & 0x3F);
  }
  // Overlong forms, UTF-16 surrogates and code points beyond Unicode are
  // no UTF-8.
  if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  *code_point = cp;
  return length;
}

}  // namespace

bool TerminalIsUtf8() {
  // Asked of the step that gives the terminal its text, so that the two
  // agree (the plain C locale counts as UTF-8 there): Cyrillic A.
  return Cp1251ToTerminal("\xC0") == "\xD0\x90";
}

namespace {

std::string Escape(std::string_view text, bool backslash_as_is) {
  const bool utf8 = TerminalIsUtf8();
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80) {
      std::uint32_t cp = b;
      const std::size_t n = utf8 ? DecodeUtf8(text.substr(i), &cp) : 1;
      if (n == 0 || (!utf8 && b < 0xA0)) {
        AppendHex("\\x%02x", b, &out);
        ++i;
      } else if (utf8 && cp < 0xA0) {
        AppendHex("\\u%04x", cp, &out);
        i += n;
      } else {
        out.append(text, i, n);
        i += n;
      }
      continue;
    }
    if (b == '\\') {
      out += backslash_as_is ? "\\" : "\\\\";
    } else if (b >= 0x20 && b != 0x7F) {
      out += static_cast<char>(b);
    } else if (b == '\t') {
      out += "\\t";
    } else if (b == '\n') {
      out += "\\n";
    } else if (b == '\r') {
      out += "\\r";
    } else {
      AppendHex("\\x%02x", b, &out);
    }
    ++i;
  }
  return out;
}

}  // namespace

std::string Escaped(std::string_view text) { return Escape(text, false); }

std::string EscapedPath(std::string_view path) { return Escape(path, kPathSeparator == '\\'); }

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::uint32_t cp;
    const std::size_t n = b < 0x80 ? 1 : DecodeUtf8(text.substr(i), &cp);
    if (n == 0) {
      AppendHex("\\udc%02x", b, &out);
      ++i;
    } else if (b == '"' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
      ++i;
    } else if (b < 0x20) {
      AppendHex("\\u%04x", b, &out);
      ++i;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out + "\"";
}

std::string DateText(unsigned year, unsigned month, unsigned day) {
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
  return text;
}

}  // namespace zmk
