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

// A request by an ANSI name (char) gets its text in the host's set, one by
// a wide name (wchar_t) gets UTF-16.
template <typename Char>
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
  if constexpr (sizeof(Char) == 1) {
    FitToBuffer(*text, HostCharset, static_cast<char*>(dst), MaxLen);
    return ft_string;
  } else {
    FitToBufferUtf16(*text, static_cast<char16_t*>(dst), MaxLen);
    return ft_stringw;
  }
}

template <typename Char>
int GetValue(const Char* FileName, int FieldIndex, void* FieldValue, int MaxLen) {
  try {
    MutexLock lock(&FileCacheMutex);
    // The file is read first, even for an index out of range.
    FileCache.Refresh(FileName);
    if (FieldIndex >= kFieldCount) return ft_nosuchfield;
    if (FieldIndex < 0) return ft_fieldempty;
    if (FieldValue == nullptr) return ft_fieldempty;
    return WriteField<Char>(FileCache.Values(), FieldIndex, FieldValue, MaxLen);
  } catch (...) {
    // The file cannot be opened (or, short of memory, read): never the
    // previous file's values.
    return ft_fileerror;
  }
}

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

#ifdef _WIN64
// The 64-bit host calls this one instead when the module has it: a wide name
// reaches every file, and UTF-16 values read right in any system locale.
// The 32-bit module keeps its three exports.
ZMK_EXPORT int DCPCALL ContentGetValueW(const wchar_t* FileName, int FieldIndex,
                                        int /*UnitIndex*/, void* FieldValue,
                                        int MaxLen, int /*Flags*/) {
  return zmk::GetValue(FileName, FieldIndex, FieldValue, MaxLen);
}
#endif

}  // extern "C"
