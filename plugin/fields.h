// The nine fields the plugin offers, where a record holds their values, and
// the forms those take in the host's buffers.
#ifndef ZMK_PLUGIN_FIELDS_H_
#define ZMK_PLUGIN_FIELDS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "header/setting_header.h"
#include "platform/host_charset.h"
#include "plugin/content_plugin.h"
#include "plugin/lib_info.h"

namespace zmk {

// One row of the catalogue. A record holds the value in `text` for
// ft_string, in `days` for ft_date, in `number` for ft_numeric_32 and
// ft_boolean (the other two null); `take` puts it there from the header
// just read.
struct FieldInfo {
  const char* name;  // Windows-1251 bytes
  FieldType type;
  std::string TZMKRec::*text;
  double TZMKRec::*days;
  std::int32_t TZMKRec::*number;
  void (*take)(const TSettingHeader& header, TZMKRec* rec);
};

constexpr int kFieldCount = 9;
extern const FieldInfo kFields[kFieldCount];

// Where the writers below find the set to write in (HostCharset,
// Cp1251Table, ...). They look only for text that is not plain ASCII, which
// every set writes as it is.
using CharsetSource = const CharsetTable& (*)();

// Writes Windows-1251 `text` with its NUL into a buffer of MaxLen bytes, in
// the character set `charset` gives, stopping at the first NUL inside it and
// never writing past the buffer: what does not fit is cut, only between
// characters. Nothing is written when MaxLen is below 1.
void WriteText(std::string_view text, CharsetSource charset, char* dst, int MaxLen);

// The same for a value, shortened first: one that takes MaxLen bytes or more
// in the set becomes the characters that fit in MaxLen - 4 bytes and "...",
// so that it fills the buffer exactly. Counts bytes, not characters.
void FitToBuffer(std::string_view value, CharsetSource charset, char* dst, int MaxLen);

// The same for a host that takes UTF-16: the Unicode text that the
// Windows-1251 bytes stand for, one unit per byte, into MaxLen bytes, that
// is MaxLen / 2 whole units (an odd last byte is never written). Shortened
// by the same rule, in units: a value of MaxLen / 2 units or more becomes
// its first MaxLen / 2 - 4 units and "...". Nothing is written when MaxLen
// is below 2.
void FitToBufferUtf16(std::string_view value, char16_t* dst, int MaxLen);

// The calendar date of a day count (day 0 is 1899-12-30), after rounding to
// whole milliseconds. Days before 0001-01-01, after 65535-12-31, NaN and the
// infinities give 0, 0, 0.
HostDate DayCountToDate(double value);

}  // namespace zmk

#endif  // ZMK_PLUGIN_FIELDS_H_
