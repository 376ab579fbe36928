// The header reader on arbitrary bytes, through an in-memory stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "header/ruid.h"
#include "header/setting_header.h"
#include "header/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zmk::MemoryStream stream(data, size);
  zmk::TSettingHeader header;
  bool whole = header.LoadFromStream(stream);
  // Whatever the bytes, only entries that convert as RUID texts survive.
  for (const std::string& entry : header.DependsOn) {
    if (!zmk::IsRUIDText(entry)) std::abort();
  }
  // A whole header consumed at least its fixed-size items.
  if (whole && size < 8 + 4 + 4 + 8 + 4 + 1 + 4 + 4 + 4) std::abort();
  return 0;
}
