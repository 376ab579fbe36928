// The whole export path: arbitrary bytes as a file, then every field with
// an arbitrary MaxLen in one of the locales a host may run in, checking
// every byte the module may and may not write, and that its text is whole
// characters of the locale's set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host_locale.h"
#include "header/test_file.h"
#include "platform/utf8.h"
#include "plugin/content_plugin.h"

extern "C" {
int DCPCALL ContentGetValue(const char* FileName, int FieldIndex, int UnitIndex,
                            void* FieldValue, int MaxLen, int Flags);
}

namespace {

constexpr int kGuard = 16;
constexpr unsigned char kFill = 0xA5;

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the buffer size, the second the locale; the rest
  // is the file.
  int max_len = size > 0 ? static_cast<int>(data[0]) - 8 : 64;  // -8 .. 247
  const bool utf8 = zmk::EnterHostLocale(size > 1 ? data[1] : 0);
  const std::size_t skip = size < 2 ? size : 2;
  data += skip;
  size -= skip;
  // A name of its own, in this process's temporary files, so that every
  // input is read rather than cached, and workers side by side never meet.
  // An input that cannot be written throws, and so is not passed untried.
  const zmk::test::TempFile file(std::string(reinterpret_cast<const char*>(data), size));
  const std::string& name = file.path();

  unsigned char buf[256 + 2 * kGuard];
  for (int index = -1; index <= 9; ++index) {
    std::memset(buf, kFill, sizeof buf);
    unsigned char* value = buf + kGuard;
    int result = ContentGetValue(name.c_str(), index, 0, value, max_len, 0);
    const int room = max_len > 0 ? max_len : 0;
    for (int i = 0; i < kGuard; ++i) Check(buf[i] == kFill);
    for (int i = kGuard + room; i < static_cast<int>(sizeof buf); ++i) Check(buf[i] == kFill);

    if (index < 0) {
      Check(result == zmk::ft_fieldempty);
    } else if (index > 8) {
      Check(result == zmk::ft_nosuchfield);
    } else if (index == 3) {
      if (result == zmk::ft_date) {
        zmk::HostDate d;
        std::memcpy(&d, value, sizeof d);
        bool none = d.wYear == 0 && d.wMonth == 0 && d.wDay == 0;
        Check(none || (d.wYear >= 1 && d.wMonth >= 1 && d.wMonth <= 12 &&
                       d.wDay >= 1 && d.wDay <= 31));
      } else {
        Check(result == zmk::ft_fieldempty && max_len < 6);
      }
    } else if (index == 4 || index == 5) {
      Check(result == (index == 4 ? zmk::ft_numeric_32 : zmk::ft_boolean) ||
            (result == zmk::ft_fieldempty && max_len < 4));
      if (index == 5 && result == zmk::ft_boolean) {
        std::int32_t flag;
        std::memcpy(&flag, value, sizeof flag);
        Check(flag >= 0 && flag <= 255);
      }
    } else {
      Check(result == zmk::ft_string);
      if (max_len > 0) {
        Check(std::memchr(value, '\0', max_len) != nullptr);
        if (utf8) Check(zmk::IsUtf8(reinterpret_cast<const char*>(value)));
      } else {
        Check(value[0] == kFill);
      }
    }
  }
  return 0;
}
