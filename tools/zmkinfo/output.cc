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

bool TerminalIsUtf8() { return TerminalCharset() == TerminalSet::kUtf8; }

namespace {

// The length of the character at the start of `text` (a byte 0x80 or
// above) when it may be shown as it is, 0 when its first byte must be
// escaped, or minus its length when all its bytes must be.
long Shown(std::string_view text, TerminalSet set) {
  const auto b = static_cast<unsigned char>(text[0]);
  switch (set) {
    case TerminalSet::kUtf8: {
      std::uint32_t cp = 0;
      const std::size_t n = DecodeUtf8(text, &cp);
      return n == 0 ? 0 : cp < 0xA0 ? -static_cast<long>(n) : static_cast<long>(n);
    }
    case TerminalSet::kSingleByte:
      return b < 0xA0 ? 0 : 1;  // in 8-bit mode a terminal takes 0x80-0x9F as controls
    case TerminalSet::kMultibyte: {
      bool printable = false;
      const std::size_t n = TerminalCharacter(text, &printable);
      return n == 0 ? 0 : printable ? static_cast<long>(n) : -static_cast<long>(n);
    }
  }
  return 0;
}

std::string Escape(std::string_view text, bool backslash_as_is) {
  const TerminalSet set = TerminalCharset();
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80) {
      const long n = Shown(text.substr(i), set);
      if (n > 0) {
        out.append(text, i, static_cast<std::size_t>(n));
        i += static_cast<std::size_t>(n);
      } else if (n < 0 && set == TerminalSet::kUtf8) {
        std::uint32_t cp = 0;
        DecodeUtf8(text.substr(i), &cp);
        AppendHex("\\u%04x", cp, &out);  // a C1 control, as "\u009b"
        i += static_cast<std::size_t>(-n);
      } else {
        for (long k = 0; k < (n < 0 ? -n : 1); ++k, ++i) {
          AppendHex("\\x%02x", static_cast<unsigned char>(text[i]), &out);
        }
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

std::string Quoted(std::string_view text) {
  // No escape holds a quote, and no character set here has one inside a
  // multibyte character: every quote left is one of the text's own.
  std::string out = "\"";
  for (char c : Escaped(text)) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

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
