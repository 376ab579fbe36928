#include "tools/zmkinfo/output.h"

#include <cstdio>

#include "platform/command_line.h"
#include "platform/host_charset.h"
#include "platform/utf8.h"

namespace zmk {

namespace {

void AppendHex(const char* format, unsigned value, std::string* out) {
  char esc[12];
  std::snprintf(esc, sizeof esc, format, value);
  *out += esc;
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

namespace {

// The first error of a write to standard output, 0 while none.
unsigned long write_error = 0;

void Flush() {
  const unsigned long error = FlushOutput();
  if (write_error == 0) write_error = error;
}

}  // namespace

void Write(std::string_view text) {
  if (text.empty()) return;
  const unsigned long error = WriteOutput(OutputStream::kOut, text);
  if (write_error == 0) write_error = error;
}

void Complain(const std::string& message) {
  Flush();
  WriteOutput(OutputStream::kErr, "zmkinfo: " + EscapedPath(message) + "\n");
}

int Finish(int status) {
  Flush();
  if (write_error == 0) return status;
  Complain("cannot write the output: " + OutputErrorText(write_error));
  return kWriteFailed;
}

std::string DateText(unsigned year, unsigned month, unsigned day) {
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
  return text;
}

}  // namespace zmk
