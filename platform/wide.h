// Windows only: the system's UTF-16 names and texts, and the UTF-8 in which
// the command-line host carries them. Never linked into the module, which
// speaks the ANSI code page with its host.
#ifndef ZMK_PLATFORM_WIDE_H_
#define ZMK_PLATFORM_WIDE_H_

#include <string>
#include <string_view>

namespace zmk {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// `name` made absolute against the current folder, as the system does it;
// false when it cannot (an empty name, one too long).
bool FullPathWide(const std::wstring& name, std::wstring* full);

// Text in the ANSI code page (the system's messages, the module's own) in
// UTF-8.
std::string AnsiToUtf8(std::string_view text);

// The system's text for an error code, in UTF-8, tidied as TidyErrorText
// does.
std::string WideErrorText(unsigned long system_code);

// How text goes to an output handle: a console takes characters
// (WriteConsoleW), so that it shows them whatever its code page; anything
// else (a file, a pipe, NUL) takes UTF-8 bytes.
enum class Sink { kConsole, kBytes };
Sink SinkOf(void* handle);

// Writes UTF-8 `text` whole to `handle` as its sink takes it; 0 or the
// system's code for the failure.
unsigned long WriteTo(void* handle, std::string_view text);

}  // namespace zmk

#endif  // ZMK_PLATFORM_WIDE_H_
