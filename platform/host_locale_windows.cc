#include "fuzz/fuzz_host.h"

namespace zmk {
namespace fuzz {

// A Windows host takes the module's Windows-1251 bytes whatever the C
// library's locale, so none is set and no text need be UTF-8.
bool EnterHostLocale(unsigned) { return false; }

}  // namespace fuzz
}  // namespace zmk
