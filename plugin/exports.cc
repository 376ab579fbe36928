// The module's whole boundary. No error leaves these functions; no write
// goes past MaxLen bytes of a host buffer.
#include <cstring>
#include <string_view>

#include "platform/error.h"
#include "plugin/content_plugin.h"
#include "plugin/fields.h"
#include "plugin/lib_info.h"
#include "plugin/version.h"

#ifdef _WIN32
#define ZMK_EXPORT  // exported by name and ordinal through the .def file
#else
#define ZMK_EXPORT __attribute__((visibility("default")))
#endif

namespace zmk {
namespace {

// The module's version, where `zmkinfo --version` and what(1) find it.
[[gnu::used]] const char kVersionMark[] = ZMK_VERSION_MARK ZMK_VERSION;

template <typename T>
int WriteFixed(const T& value, void* dst, int MaxLen, int type) {
  // The host's buffers are far larger; one too small for the value stays
  // untouched and the field reads as empty.
  if (MaxLen < static_cast<int>(sizeof value)) return ft_fieldempty;
  std::memcpy(dst, &value, sizeof value);
  return type;
}

int WriteField(const TZMKRec& rec, int index, void* dst, int MaxLen) {
  const std::string* text = nullptr;
  switch (index) {
    case 0: text = &rec.RUIDText; break;
    case 1: text = &rec.Name; break;
    case 2: text = &rec.Comment; break;
    case 3: {
      HostDate date = DayCountToDate(rec.Modified);
      return WriteFixed(date, dst, MaxLen, ft_date);
    }
    case 4: return WriteFixed(rec.Version, dst, MaxLen, ft_numeric_32);
    case 5: return WriteFixed(rec.IsFinal, dst, MaxLen, ft_boolean);
    case 6: text = &rec.DependsOnText; break;
    case 7: text = &rec.MinExeVersion; break;
    case 8: text = &rec.MinDBVersion; break;
  }
  FitToBuffer(*text, HostCharset(), static_cast<char*>(dst), MaxLen);
  return ft_string;
}

}  // namespace
}  // namespace zmk

extern "C" {

ZMK_EXPORT void DCPCALL ContentGetDetectString(char* DetectString, int MaxLen) {
  zmk::WriteText("EXT=\"ZMK\"", zmk::HostCharset(), DetectString, MaxLen);
}

ZMK_EXPORT int DCPCALL ContentGetSupportedField(int FieldIndex, char* FieldName,
                                                char* Units, int MaxLen) {
  const zmk::CharsetTable& charset = zmk::HostCharset();
  zmk::WriteText("", charset, Units, MaxLen);
  if (FieldIndex >= zmk::kFieldCount) return zmk::ft_nomorefields;
  if (FieldIndex < 0) {
    zmk::WriteText("", charset, FieldName, MaxLen);
    return zmk::ft_string;
  }
  // Names are Windows-1251, given in the host's character set.
  zmk::WriteText(zmk::kFields[FieldIndex].name, charset, FieldName, MaxLen);
  return zmk::kFields[FieldIndex].type;
}

ZMK_EXPORT int DCPCALL ContentGetValue(const char* FileName, int FieldIndex,
                                       int /*UnitIndex*/, void* FieldValue,
                                       int MaxLen, int /*Flags*/) {
  try {
    zmk::MutexLock lock(&zmk::FileCacheMutex);
    // The file is read first, even for an index out of range.
    zmk::FileCache.Refresh(FileName);
    if (FieldIndex >= zmk::kFieldCount) return zmk::ft_nosuchfield;
    if (FieldIndex < 0) return zmk::ft_fieldempty;
    if (FieldValue == nullptr) return zmk::ft_fieldempty;
    return zmk::WriteField(zmk::FileCache.Values(), FieldIndex, FieldValue, MaxLen);
  } catch (...) {
    // The file cannot be opened (or, short of memory, read): never the
    // previous file's values.
    return zmk::ft_fileerror;
  }
}

}  // extern "C"
