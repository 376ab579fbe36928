#include <windows.h>

#include "fuzz/fuzz_host.h"

namespace zmk {
namespace fuzz {

// A Windows host takes the module's Windows-1251 bytes whatever the C
// library's locale, so none is set and no text need be UTF-8.
bool EnterHostLocale(unsigned) { return false; }

std::string ScratchFileName(int which) {
  char dir[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof dir, dir);
  std::string name = n > 0 && n < sizeof dir ? std::string(dir, n) : std::string(".\\");
  return name + "zmk-exports-fuzz-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(which) + ".zmk";
}

}  // namespace fuzz
}  // namespace zmk
