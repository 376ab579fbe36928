// A request for a field's value, as every entry point of the module makes
// it: the one cache brought up to date, then the value written into the
// host's buffer. No error leaves it; no write goes past MaxLen bytes.
#ifndef ZMK_PLUGIN_VALUE_H_
#define ZMK_PLUGIN_VALUE_H_

#include <cstring>
#include <type_traits>

#include "platform/host_charset.h"
#include "plugin/content_plugin.h"
#include "plugin/fields.h"
#include "plugin/lib_info.h"

namespace zmk {

template <typename T>
int WriteFixed(const T& value, void* dst, int MaxLen, int type) {
  // The host's buffers are far larger; one too small for the value stays
  // untouched and the field reads as empty.
  if (MaxLen < static_cast<int>(sizeof value)) return ft_fieldempty;
  std::memcpy(dst, &value, sizeof value);
  return type;
}

// A request by a name in the host's form (char) gets its text in the
// host's set, one by a wide name UTF-16.
template <typename Char>
[[gnu::always_inline]] inline int WriteField(const TZMKRec& rec, int index, void* dst, int MaxLen) {
  const FieldInfo& field = kFields[index];
  switch (field.type) {
    case ft_date: return WriteFixed(DayCountToDate(rec.*field.days), dst, MaxLen, ft_date);
    case ft_numeric_32:
    case ft_boolean: return WriteFixed(rec.*field.number, dst, MaxLen, field.type);
    default: break;
  }
  if constexpr (sizeof(Char) == 1) {
    FitToBuffer(rec.*field.text, HostCharset, static_cast<char*>(dst), MaxLen);
    return ft_string;
  } else {
    FitToBufferUtf16(rec.*field.text, static_cast<char16_t*>(dst), MaxLen);
    return ft_stringw;
  }
}

template <typename Char>
int GetValue(const Char* FileName, int FieldIndex, void* FieldValue, int MaxLen) {
  try {
    MutexLock lock(&FileCacheMutex);
    // The file is read first, even for an index out of range.
    if constexpr (std::is_same_v<Char, char>) {
      FileCache.Refresh(FileName);
    } else {
      FileCache.RefreshNative(FileName);
    }
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

}  // namespace zmk

#endif  // ZMK_PLUGIN_VALUE_H_
