// The wide entry point, which only the 64-bit Windows module has: its host
// calls it instead of ContentGetValue when a module has it. A wide name
// reaches every file, and UTF-16 values read right in any system locale.
#include "plugin/content_plugin.h"
#include "plugin/value.h"

extern "C" ZMK_EXPORT int DCPCALL ContentGetValueW(const wchar_t* FileName, int FieldIndex,
                                                   int /*UnitIndex*/, void* FieldValue,
                                                   int MaxLen, int /*Flags*/) {
  return zmk::GetValue(FileName, FieldIndex, FieldValue, MaxLen);
}
