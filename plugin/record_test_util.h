// For tests: records compared field by field, as the catalogue finds their
// values.
#ifndef ZMK_PLUGIN_RECORD_TEST_UTIL_H_
#define ZMK_PLUGIN_RECORD_TEST_UTIL_H_

#include <cstring>

#include "header/setting_header.h"
#include "plugin/fields.h"
#include "plugin/lib_info.h"

namespace zmk::test {

// The values a header gives a record.
inline TZMKRec Record(const TSettingHeader& header) {
  TZMKRec rec;
  for (const FieldInfo& field : kFields) field.take(header, &rec);
  return rec;
}

// Whether two records hold the same value of `field` (a date bit for bit).
inline bool SameValue(const FieldInfo& field, const TZMKRec& a, const TZMKRec& b) {
  if (field.text != nullptr) return a.*field.text == b.*field.text;
  if (field.number != nullptr) return a.*field.number == b.*field.number;
  return std::memcmp(&(a.*field.days), &(b.*field.days), sizeof(double)) == 0;
}

}  // namespace zmk::test

#endif  // ZMK_PLUGIN_RECORD_TEST_UTIL_H_
