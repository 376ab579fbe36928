// zmkinfo: shows the fields of ZMK files by loading the plugin module and
// calling its exports, exactly as a file manager does.
//
//   zmkinfo [--plugin MODULE] [--json] FILE...
//   zmkinfo --version [--plugin MODULE]
//   zmkinfo check [--json | --dot] PATH...
#include <cstdint>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "header/setting_header.h"
#include "platform/command_line.h"
#include "platform/error.h"
#include "platform/host_charset.h"
#include "platform/module.h"
#include "plugin/content_plugin.h"
#include "plugin/version.h"
#include "tools/zmkinfo/check.h"
#include "tools/zmkinfo/output.h"

namespace zmk {
namespace {

constexpr int kValueBuffer = 64 * 1024;

// Exit statuses: 1 and 2 are for problems found and for wrong usage.
constexpr int kUsage = 2;
constexpr int kWriteFailed = 3;

// The first error of a write to standard output, 0 while none.
unsigned long write_error = 0;

void Write(std::string_view text) {
  if (text.empty()) return;
  const unsigned long error = WriteOutput(OutputStream::kOut, text);
  if (write_error == 0) write_error = error;
}

void Flush() {
  const unsigned long error = FlushOutput();
  if (write_error == 0) write_error = error;
}

// A message on standard error, after what standard output holds.
void Complain(const std::string& message) {
  Flush();
  WriteOutput(OutputStream::kErr, "zmkinfo: " + EscapedPath(message) + "\n");
}

// `status`, unless the output could not be written whole: a script that
// trusts the status must not take lost output for success.
int Finish(int status) {
  Flush();
  if (write_error == 0) return status;
  Complain("cannot write the output: " + OutputErrorText(write_error));
  return kWriteFailed;
}

struct Field {
  std::string name;  // as the module gives it: in the locale's character set
  int type;
};

struct Plugin {
  explicit Plugin(const std::string& path)
      : module(path),
        get_supported_field(
            module.Function<ContentGetSupportedFieldFunc>("ContentGetSupportedField")),
        get_value(module.Function<ContentGetValueFunc>("ContentGetValue")) {}

  std::vector<Field> Fields() const {
    std::vector<Field> fields;
    char name[256], units[256];
    for (int i = 0;; ++i) {
      int type = get_supported_field(i, name, units, sizeof name);
      if (type == ft_nomorefields) return fields;
      fields.push_back({name, type});
    }
  }

  Module module;
  ContentGetSupportedFieldFunc get_supported_field;
  ContentGetValueFunc get_value;
};

// One field's value for display; false when the file could not be read.
bool FormatValue(const Plugin& plugin, const std::string& file, int index,
                 int type, bool json, std::vector<char>* buf, std::string* out) {
  int result = plugin.get_value(file.c_str(), index, 0, buf->data(),
                                static_cast<int>(buf->size()), 0);
  if (result == ft_fileerror) return false;
  if (result != type) {
    *out = json ? "null" : "";
    return true;
  }
  const char* p = buf->data();
  switch (type) {
    case ft_string: {
      *out = json ? JsonString(HostTextToUtf8(p)) : Escaped(HostTextToTerminal(p));
      break;
    }
    case ft_date: {
      HostDate d;
      std::memcpy(&d, p, sizeof d);
      const std::string date = DateText(d.wYear, d.wMonth, d.wDay);
      *out = json ? JsonString(date) : date;
      break;
    }
    case ft_numeric_32: {
      std::int32_t v;
      std::memcpy(&v, p, sizeof v);
      *out = std::to_string(v);
      break;
    }
    case ft_boolean: {
      std::int32_t v;
      std::memcpy(&v, p, sizeof v);
      *out = json ? (v ? "true" : "false") : (v ? "yes" : "no");
      break;
    }
    default:
      *out = json ? "null" : "";
  }
  return true;
}

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

constexpr const char kUsageText[] =
    "usage: zmkinfo [--plugin MODULE] [--json] FILE...\n"
    "       zmkinfo --version [--plugin MODULE]\n"
    "       zmkinfo check [--json | --dot] PATH...\n";

int Usage() {
  WriteOutput(OutputStream::kErr, kUsageText);
  return kUsage;
}

// The module file as the loader must be given it: a bare name would send
// it searching the library path rather than taking the file here.
std::string LoadablePath(const std::string& path) { return UserFullPath(path); }

bool Exists(const std::string& path) {
  if (std::FILE* f = OpenUserFile(path)) {
    std::fclose(f);
    return true;
  }
  return false;
}

// The module beside the program (a build tree), else where it is installed.
std::string DefaultModule() {
  const std::string dir = ExecutableDirectory() + kPathSeparator;
  const std::string beside = dir + ZMK_MODULE_FILE;
  return Exists(beside) ? beside : dir + ZMK_INSTALLED_MODULE;
}

// The version a module file carries in its mark, or "unknown".
std::string ModuleVersion(const std::string& path) {
  std::string bytes;
  if (std::FILE* f = OpenUserFile(path)) {
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  const std::string mark = ZMK_VERSION_MARK;
  std::size_t at = bytes.find(mark);
  if (at == std::string::npos) return "unknown";
  at += mark.size();
  return bytes.substr(at, bytes.find('\0', at) - at);
}

int Version(const std::string& plugin_path) {
  Module module(LoadablePath(plugin_path));  // it must load, as a host would load it
  Write(std::string("zmkinfo ") + ZMK_VERSION + "\nmodule " + EscapedPath(plugin_path) + " " +
        Escaped(ModuleVersion(plugin_path)) + "\n");
  return Finish(0);
}

struct Options {
  std::string plugin_path;
  bool json = false;
  bool dot = false;
  bool version = false;
  bool help = false;
  bool bad = false;  // an option zmkinfo does not know
  std::vector<std::string> operands;
};

Options Parse(std::size_t first, const std::vector<std::string>& args) {
  Options o;
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--plugin" && i + 1 < args.size()) {
      o.plugin_path = args[++i];
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--dot") {
      o.dot = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--") {
      o.operands.insert(o.operands.end(), args.begin() + i + 1, args.end());
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      o.bad = true;
    } else {
      o.operands.push_back(arg);
    }
  }
  return o;
}

int Check(const Options& o) {
  if (o.bad || o.version || !o.plugin_path.empty() || o.operands.empty() || (o.json && o.dot)) {
    return Usage();
  }
  const std::vector<PackageFile> files = CollectPackages(o.operands);
  const CheckResult result = CheckDelivery(files);
  o.dot ? CheckDot(files, result, Write) : Write(o.json ? CheckJson(files, result) : CheckText(files, result));
  return Finish(result.problems.empty() ? 0 : 1);
}

int Run(const std::vector<std::string>& args) {
  const bool check = !args.empty() && args[0] == "check";
  const Options o = Parse(check ? 1 : 0, args);
  if (o.help) {
    Write(kUsageText);
    return Finish(0);
  }
  // JSON is UTF-8 whatever the locale: the module then gives its text in
  // UTF-8 (the plain C locale counts as UTF-8 for it), and the system's
  // messages are in English.
  if (o.json && std::setlocale(LC_ALL, "C.UTF-8") == nullptr) std::setlocale(LC_ALL, "C");
  if (check) return Check(o);
  if (o.bad) return Usage();
  const std::string plugin_path = o.plugin_path.empty() ? DefaultModule() : o.plugin_path;
  if (o.version) return o.operands.empty() ? Version(plugin_path) : Usage();
  const std::vector<std::string>& files = o.operands;
  const bool json = o.json;
  if (files.empty()) return Usage();

  Plugin plugin(LoadablePath(plugin_path));
  const std::vector<Field> fields = plugin.Fields();
  std::vector<char> buf(kValueBuffer);
  std::string out;
  int failures = 0;
  bool first = true;
  if (json) out += "[";
  for (const std::string& file : files) {
    std::string record;
    // The module keeps the last file's values under its name, and before
    // the first file under the empty name: it would show them for "".
    std::string module_name, reason;
    bool ok = !file.empty() && NameForModule(file, &module_name, &reason);
    if (!file.empty() && !ok) reason = CannotOpen(file, reason);
    for (std::size_t i = 0; i < fields.size() && ok; ++i) {
      std::string value;
      ok = FormatValue(plugin, module_name, static_cast<int>(i), fields[i].type, json,
                       &buf, &value);
      if (json) {
        record += (i ? ", " : "") + JsonString(HostTextToUtf8(fields[i].name)) + ": " + value;
      } else {
        record += "  " + Escaped(HostTextToTerminal(fields[i].name)) + ": " + value + "\n";
      }
    }
    if (!ok) {
      ++failures;
      if (reason.empty()) reason = OpenFailureReason(file, module_name);
      if (!json) {
        Write(out);
        out.clear();
      }
      Complain(reason);
      if (json) {
        out += std::string(first ? "" : ",") + "\n  {\"file\": " +
               JsonString(file) + ", \"error\": " + JsonString(reason) + "}";
        first = false;
      }
      continue;
    }
    if (json) {
      out += std::string(first ? "" : ",") + "\n  {\"file\": " + JsonString(file) +
             ", \"fields\": {" + record + "}}";
    } else {
      out += EscapedPath(file) + "\n" + record;
    }
    first = false;
    if (out.size() > 1 << 16) {
      Write(out);
      out.clear();
    }
  }
  if (json) out += "\n]\n";
  Write(out);
  return Finish(failures ? 1 : 0);
}

}  // namespace
}  // namespace zmk

int main(int argc, char** argv) {
  // As a host does before it loads plugins: the module then gives its text
  // in the locale's character set.
  std::setlocale(LC_ALL, "");
  try {
    return zmk::Run(zmk::ProgramArguments(argc, argv));
  } catch (const std::exception& e) {
    zmk::Complain(e.what());
    return zmk::kUsage;
  }
}
