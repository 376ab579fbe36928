// Text as zmkinfo prints it: for a terminal, and for JSON.
#ifndef ZMK_TOOLS_ZMKINFO_OUTPUT_H_
#define ZMK_TOOLS_ZMKINFO_OUTPUT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace zmk {

// `text`, in the terminal's character set, with everything shown that
// could drive the terminal or fake lines: "\t", "\n", "\r", a backslash as
// "\\", other C0 controls and DEL as "\x1b". Beyond ASCII it depends on the
// set: in UTF-8 C1 controls (U+0080 to U+009F) show as "\u009b" and bytes
// that are no UTF-8 as "\xff"; in a single-byte set every byte 0x80 to
// 0x9F as "\x9b", since a terminal in 8-bit mode takes it as a control; in
// another multibyte set a printable character shows as it is, the bytes of
// a control or of no character as "\x81".
std::string Escaped(std::string_view text);

// `text` so escaped and between double quotes, a quote inside as "\"", so
// that where one quoted text ends is never in doubt.
std::string Quoted(std::string_view text);

// A path so shown. Where the separator is a backslash, it stays one: no
// name there holds a control character, so no escape can come from a name.
std::string EscapedPath(std::string_view path);

// Whether the terminal's character set, as zmkinfo writes to it, is UTF-8.
bool TerminalIsUtf8();

// `text` as a JSON string, quotes included, always valid UTF-8. Valid UTF-8
// stays as it is; each byte b that is not part of valid UTF-8 becomes the
// escape "\udcXX" (U+DC00 + b), the rule by which Python and others carry
// file names that are no UTF-8: os.fsencode(json.loads(...)) gives back the
// bytes, and no valid name ever holds such an escape.
std::string JsonString(std::string_view text);

// Standard output and error as zmkinfo uses them. Write remembers the
// first failure; Finish turns it into kWriteFailed, so that a script that
// trusts the status never takes lost output for success.
constexpr int kUsage = 2;  // wrong usage; 1 is for problems found
constexpr int kWriteFailed = 3;
void Write(std::string_view text);
// A message on standard error, after what standard output holds.
void Complain(const std::string& message);
// `status`, unless the output could not be written whole.
int Finish(int status);

// "YYYY-MM-DD".
std::string DateText(unsigned year, unsigned month, unsigned day);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_OUTPUT_H_
