// The locales a host may run the module in, for the programs that try the
// module as hosts do (its tests and fuzzers), never for the module itself.
// A Windows host takes the module's Windows-1251 bytes whatever the C
// library's locale: there nothing is set.
#ifndef ZMK_PLATFORM_HOST_LOCALE_H_
#define ZMK_PLATFORM_HOST_LOCALE_H_

namespace zmk {

// Puts the process into one of the locales a host may run in, chosen by
// `pick`; true when the module's text must then be whole UTF-8 characters.
// Aborts when the locale is missing.
bool EnterHostLocale(unsigned pick);

// Puts the process into a locale whose character set is Windows-1251, in
// which the module gives its own bytes as they are; false when it is
// missing (scripts/install-deps generates it).
bool EnterWindows1251Locale();

// Back to the C library's plain locale.
void LeaveHostLocale();

}  // namespace zmk

#endif  // ZMK_PLATFORM_HOST_LOCALE_H_
