#include "tools/zmkinfo/field_mode.h"

#include <cstring>

#include "header/setting_header.h"
#include "platform/command_line.h"
#include "platform/error.h"
#include "platform/host_charset.h"
#include "tools/zmkinfo/output.h"

namespace zmk {

namespace {

constexpr std::size_t kValueBuffer = 64 * 1024;
constexpr std::size_t kTextPiece = 64 * 1024;

std::string CannotOpen(const std::string& file, const std::string& reason) {
  return CannotOpenText(UserFullPath(file), reason);
}

// Why the module could not read `file`, which it was given as
// `module_name`: the header reader's own open failure, with the system's
// reason. The plugin interface carries no reason, so this opens the file
// again by the same name, only for a file the module failed.
std::string OpenFailureReason(const std::string& file, const std::string& module_name) {
  try {
    TZMKHeader().LoadFromFile(module_name);
  } catch (const OpenError& e) {
    return CannotOpen(file, ModuleMessage(e.reason()));
  }
  return "Cannot open file \"" + file + "\"";
}

}  // namespace

Plugin::Plugin(const std::string& path)
    : module_(UserFullPath(path)),
      get_supported_field_(
          module_.Function<ContentGetSupportedFieldFunc>("ContentGetSupportedField")),
      get_value_(module_.Function<ContentGetValueFunc>("ContentGetValue")),
      buffer_(kValueBuffer) {}

std::vector<Field> Plugin::Fields() const {
  std::vector<Field> fields;
  char name[256], units[256];
  for (int i = 0;; ++i) {
    int type = get_supported_field_(i, name, units, sizeof name);
    if (type == ft_nomorefields) return fields;
    fields.push_back({name, type});
  }
}

// False when the module could not read the file.
bool Plugin::Value(const std::string& module_name, int index, int type, FieldValue* value) const {
  const int result = get_value_(module_name.c_str(), index, 0, buffer_.data(),
                                static_cast<int>(buffer_.size()), 0);
  if (result == ft_fileerror) return false;
  if (result != type) return true;
  value->type = result;
  const char* p = buffer_.data();
  if (type == ft_string) {
    value->text = p;
  } else if (type == ft_date) {
    HostDate d;
    std::memcpy(&d, p, sizeof d);
    value->text = DateText(d.wYear, d.wMonth, d.wDay);
  } else if (type == ft_numeric_32 || type == ft_boolean) {
    std::memcpy(&value->number, p, sizeof value->number);
  }
  return true;
}

FieldRecord Plugin::Read(const std::string& file, const std::vector<Field>& fields) const {
  FieldRecord record;
  record.file = file;
  // The module keeps the last file's values under its name, and before
  // the first file under the empty name: it would show them for "".
  std::string module_name, reason;
  bool ok = !file.empty() && NameForModule(file, &module_name, &reason);
  if (!file.empty() && !ok) reason = CannotOpen(file, reason);
  for (std::size_t i = 0; i < fields.size() && ok; ++i) {
    record.values.emplace_back();
    ok = Value(module_name, static_cast<int>(i), fields[i].type, &record.values.back());
  }
  if (!ok) {
    record.values.clear();
    record.error = reason.empty() ? OpenFailureReason(file, module_name) : reason;
  }
  return record;
}

void AppendFieldText(const std::vector<Field>& fields, const FieldRecord& record,
                     std::string* out) {
  *out += EscapedPath(record.file) + "\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldValue& v = record.values[i];
    *out += "  " + Escaped(HostTextToTerminal(fields[i].name)) + ": ";
    switch (v.type) {
      case ft_string: *out += Escaped(HostTextToTerminal(v.text)); break;
      case ft_date: *out += v.text; break;
      case ft_numeric_32: *out += std::to_string(v.number); break;
      case ft_boolean: *out += v.number ? "yes" : "no"; break;
      default: break;
    }
    *out += "\n";
  }
}

void WriteFieldJson(JsonWriter& json, const std::vector<Field>& fields,
                    const FieldRecord& record) {
  json.BeginObject();
  json.Key("file");
  json.String(record.file);
  if (!record.error.empty()) {
    json.Key("error");
    json.String(record.error);
    json.EndObject();
    return;
  }
  json.Key("fields");
  json.BeginObject();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldValue& v = record.values[i];
    json.Key(HostTextToUtf8(fields[i].name));
    switch (v.type) {
      case ft_string: json.String(HostTextToUtf8(v.text)); break;
      case ft_date: json.String(v.text); break;
      case ft_numeric_32: json.Int(v.number); break;
      case ft_boolean: json.Bool(v.number != 0); break;
      default: json.Null();
    }
  }
  json.EndObject();
  json.EndObject();
}

int ShowFields(const std::string& plugin_path, bool json, const std::vector<std::string>& files) {
  const Plugin plugin(plugin_path);
  const std::vector<Field> fields = plugin.Fields();
  JsonWriter writer([](std::string_view text) { Write(text); });
  std::string text;
  int failures = 0;
  if (json) writer.BeginArray(JsonWriter::Layout::kLines);
  for (const std::string& file : files) {
    const FieldRecord record = plugin.Read(file, fields);
    if (!record.error.empty()) {
      ++failures;
      Write(text);
      text.clear();
      Complain(record.error);
    }
    if (json) {
      WriteFieldJson(writer, fields, record);
    } else if (record.error.empty()) {
      AppendFieldText(fields, record, &text);
      if (text.size() >= kTextPiece) {
        Write(text);
        text.clear();
      }
    }
  }
  if (json) writer.EndArray();
  writer.Flush();
  Write(text);
  return Finish(failures ? 1 : 0);
}

}  // namespace zmk
