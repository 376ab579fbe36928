// What the export-path fuzzer asks of the system it runs on, one file per
// platform, so that the same inputs run under libFuzzer on Linux and are
// replayed by the tests on Linux and Windows.
#ifndef ZMK_FUZZ_FUZZ_HOST_H_
#define ZMK_FUZZ_FUZZ_HOST_H_

namespace zmk {
namespace fuzz {

// Puts the process into one of the locales a host may run in, chosen by
// `pick`; true when the module's text must then be whole UTF-8 characters.
bool EnterHostLocale(unsigned pick);

}  // namespace fuzz
}  // namespace zmk

#endif  // ZMK_FUZZ_FUZZ_HOST_H_
