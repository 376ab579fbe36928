// The nine fields the plugin offers, and the forms their values take in the
// host's buffers.
#ifndef ZMK_PLUGIN_FIELDS_H_
#define ZMK_PLUGIN_FIELDS_H_

#include <string>
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

// A string value shortened for a buffer of MaxLen bytes, its NUL included:
// a value of MaxLen bytes or more becomes its first MaxLen - 4 bytes and
// "...", so that it fills the buffer exactly. Counts bytes, not characters.
struct Fitted {
  std::string_view head;
  bool ellipsis;

  std::string str() const;
};
Fitted FitToBuffer(std::string_view value, int MaxLen);

// Writes `text` with its NUL into a buffer of MaxLen bytes, stopping at the
// first NUL inside it and never writing past the buffer: what does not fit
// is cut. Nothing is written when MaxLen is below 1.
void WriteText(std::string_view text, char* dst, int MaxLen);
void WriteText(const Fitted& text, char* dst, int MaxLen);

// Writes Windows-1251 `text` into a buffer of MaxLen bytes in another
// character set, cut only between characters. With `fit`, shortened as
// FitToBuffer shortens, counted in the set's bytes: a value that takes
// MaxLen bytes or more becomes the characters that fit in MaxLen - 4 and
// "...". Without, what does not fit is cut. Like WriteText, it stops at the
// first NUL and never writes past the buffer.
void WriteText(std::string_view text, const CharsetTable& charset, bool fit,
               char* dst, int MaxLen);

// The calendar date of a day count (day 0 is 1899-12-30), after rounding to
// whole milliseconds. Days before 0001-01-01, after 65535-12-31, NaN and the
// infinities give 0, 0, 0.
HostDate DayCountToDate(double value);

}  // namespace zmk

#endif  // ZMK_PLUGIN_FIELDS_H_
