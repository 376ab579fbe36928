// The nine fields the plugin offers, and the forms their values take in the
// host's buffers.
#ifndef ZMK_PLUGIN_FIELDS_H_
#define ZMK_PLUGIN_FIELDS_H_

#include <string_view>

#include "platform/host_charset.h"
#include "plugin/content_plugin.h"

namespace zmk {

struct FieldInfo {
  const char* name;  // Windows-1251 bytes
  FieldType type;
};

constexpr int kFieldCount = 9;
extern const FieldInfo kFields[kFieldCount];

// Writes Windows-1251 `text` with its NUL into a buffer of MaxLen bytes, in
// the character set of `charset`, stopping at the first NUL inside it and
// never writing past the buffer: what does not fit is cut, only between
// characters. Nothing is written when MaxLen is below 1.
void WriteText(std::string_view text, const CharsetTable& charset, char* dst, int MaxLen);

// The same for a value, shortened first: one that takes MaxLen bytes or more
// in the set becomes the characters that fit in MaxLen - 4 bytes and "...",
// so that it fills the buffer exactly. Counts bytes, not characters.
void FitToBuffer(std::string_view value, const CharsetTable& charset, char* dst, int MaxLen);

// The calendar date of a day count (day 0 is 1899-12-30), after rounding to
// whole milliseconds. Days before 0001-01-01, after 65535-12-31, NaN and the
// infinities give 0, 0, 0.
HostDate DayCountToDate(double value);

}  // namespace zmk

#endif  // ZMK_PLUGIN_FIELDS_H_
