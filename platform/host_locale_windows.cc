#include "platform/host_locale.h"

namespace zmk {

// Whatever the locale, no text need be UTF-8: the host takes Windows-1251.
bool EnterHostLocale(unsigned) { return false; }

bool EnterWindows1251Locale() { return true; }

void LeaveHostLocale() {}

}  // namespace zmk
