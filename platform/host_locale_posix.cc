#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/host_locale.h"

namespace zmk {
namespace {

// The locales the module is run in; the tests' set-up generates them.
const char* const kLocales[] = {"C", "C.UTF-8", "ru_RU.CP1251", "ru_RU.KOI8-R"};

}  // namespace

bool EnterHostLocale(unsigned pick) {
  if (std::setlocale(LC_ALL, kLocales[pick % 4]) == nullptr) std::abort();
  const char* codeset = nl_langinfo(CODESET);
  return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0;
}

bool EnterWindows1251Locale() { return std::setlocale(LC_ALL, "ru_RU.CP1251") != nullptr; }

void LeaveHostLocale() { std::setlocale(LC_ALL, "C"); }

}  // namespace zmk
