// The module's boundary, but for the wide entry point of the 64-bit module
// (exports_wide.cc). No error leaves these functions; no write goes past
// MaxLen bytes of a host buffer.
#include "plugin/content_plugin.h"
#include "plugin/fields.h"
#include "plugin/value.h"
#include "plugin/version.h"

namespace zmk {
namespace {

// The module's version, where `zmkinfo --version` and what(1) find it.
[[gnu::used]] const char kVersionMark[] = ZMK_VERSION_MARK ZMK_VERSION;

}  // namespace
}  // namespace zmk

extern "C" {

ZMK_EXPORT void DCPCALL ContentGetDetectString(char* DetectString, int MaxLen) {
  zmk::WriteText("EXT=\"ZMK\"", zmk::HostCharset, DetectString, MaxLen);
}

ZMK_EXPORT int DCPCALL ContentGetSupportedField(int FieldIndex, char* FieldName,
                                                char* Units, int MaxLen) {
  zmk::WriteText("", zmk::HostCharset, Units, MaxLen);
  if (FieldIndex >= zmk::kFieldCount) return zmk::ft_nomorefields;
  if (FieldIndex < 0) {
    zmk::WriteText("", zmk::HostCharset, FieldName, MaxLen);
    return zmk::ft_string;
  }
  // Names are Windows-1251, given in the host's character set.
  zmk::WriteText(zmk::kFields[FieldIndex].name, zmk::HostCharset, FieldName, MaxLen);
  return zmk::kFields[FieldIndex].type;
}

ZMK_EXPORT int DCPCALL ContentGetValue(const char* FileName, int FieldIndex,
                                       int /*UnitIndex*/, void* FieldValue,
                                       int MaxLen, int /*Flags*/) {
  return zmk::GetValue(FileName, FieldIndex, FieldValue, MaxLen);
}

}  // extern "C"
