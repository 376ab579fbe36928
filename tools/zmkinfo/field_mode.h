// zmkinfo's field mode: the fields of each file as a file manager gets
// them, by loading the module and calling its exports. Each file's values
// are read into a record first, then the record is formatted.
#ifndef ZMK_TOOLS_ZMKINFO_FIELD_MODE_H_
#define ZMK_TOOLS_ZMKINFO_FIELD_MODE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/module.h"
#include "plugin/content_plugin.h"
#include "tools/zmkinfo/json.h"

namespace zmk {

struct Field {
  std::string name;  // as the module gives it: in the locale's character set
  int type;
};

// One field's value as the module gave it. `type` is the code the module
// returned: ft_string and ft_date fill `text` (the date as "YYYY-MM-DD"),
// ft_numeric_32 and ft_boolean `number`; any other shows as empty.
struct FieldValue {
  int type = ft_fieldempty;
  std::string text;
  std::int32_t number = 0;
};

struct FieldRecord {
  std::string file;   // as given
  std::string error;  // why it could not be read; empty when it was
  std::vector<FieldValue> values;  // one per field when it was read
};

// The module, loaded as a host loads it: a file that loads but lacks the
// exports is refused as one that does not load (Error).
class Plugin {
 public:
  // `path` as the user gave it: made absolute, so that a bare name is the
  // file here, not one searched for in the library path.
  explicit Plugin(const std::string& path);

  std::vector<Field> Fields() const;
  FieldRecord Read(const std::string& file, const std::vector<Field>& fields) const;

 private:
  bool Value(const std::string& module_name, int index, int type, FieldValue* value) const;

  Module module_;
  ContentGetSupportedFieldFunc get_supported_field_;
  ContentGetValueFunc get_value_;
  mutable std::vector<char> buffer_;
};

// A record for a terminal: the path, then a line per field.
void AppendFieldText(const std::vector<Field>& fields, const FieldRecord& record,
                     std::string* out);
// A record as {"file": ..., "fields": {...}} or {"file": ..., "error": ...}.
void WriteFieldJson(JsonWriter& json, const std::vector<Field>& fields,
                    const FieldRecord& record);

// The field mode whole: each file's record, text or JSON on standard
// output, each file that could not be read on standard error as well.
// 0, 1 when a file could not be read, kWriteFailed.
int ShowFields(const std::string& plugin_path, bool json, const std::vector<std::string>& files);

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_FIELD_MODE_H_
