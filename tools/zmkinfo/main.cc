// zmkinfo: shows the fields of ZMK files by loading the plugin module and
// calling its exports, exactly as a file manager does.
//
//   zmkinfo [--plugin MODULE] [--json] FILE...
//   zmkinfo --version [--plugin MODULE]
//   zmkinfo check [--json | --dot] PATH...
#include <cerrno>
#include <cstdint>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "header/setting_header.h"
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
int write_error = 0;

void Write(std::string_view text) {
  if (text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() && write_error == 0) {
    write_error = errno != 0 ? errno : EIO;
  }
}

// `status`, unless the output could not be written whole: a script that
// trusts the status must not take lost output for success.
int Finish(int status) {
  errno = 0;
  if (std::fflush(stdout) != 0 && write_error == 0) write_error = errno != 0 ? errno : EIO;
  if (write_error == 0 && std::ferror(stdout)) write_error = EIO;
  if (write_error == 0) return status;
  std::fprintf(stderr, "zmkinfo: cannot write the output: %s\n", std::strerror(write_error));
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

// Why the module could not read `file`: the header reader's own open
// failure, with the system's reason. The plugin interface carries no
// reason, so this opens the file again, only for a file the module failed.
std::string OpenFailureReason(const std::string& file) {
  try {
    TZMKHeader().LoadFromFile(file);
  } catch (const OpenError& e) {
    return e.what();
  }
  return "Cannot open file \"" + file + "\"";
}

constexpr const char kUsageText[] =
    "usage: zmkinfo [--plugin MODULE] [--json] FILE...\n"
    "       zmkinfo --version [--plugin MODULE]\n"
    "       zmkinfo check [--json | --dot] PATH...\n";

int Usage() {
  std::fputs(kUsageText, stderr);
  return kUsage;
}

// The module file as the loader must be given it: a bare name would send
// it searching the library path rather than taking the file here.
std::string LoadablePath(const std::string& path) { return AbsoluteFileName(path); }

bool Exists(const std::string& path) {
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    return true;
  }
  return false;
}

// The module beside the program (a build tree), else where it is installed.
std::string DefaultModule() {
  const std::string dir = ExecutableDirectory() + "/";
  const std::string beside = dir + ZMK_MODULE_FILE;
  return Exists(beside) ? beside : dir + ZMK_INSTALLED_MODULE;
}

// The version a module file carries in its mark, or "unknown".
std::string ModuleVersion(const std::string& path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
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
  Write(std::string("zmkinfo ") + ZMK_VERSION + "\nmodule " + Escaped(plugin_path) + " " +
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

Options Parse(int first, int argc, char** argv) {
  Options o;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--plugin" && i + 1 < argc) {
      o.plugin_path = argv[++i];
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--dot") {
      o.dot = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--") {
      o.operands.insert(o.operands.end(), argv + i + 1, argv + argc);
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
  Write(o.json ? CheckJson(files, result) : o.dot ? CheckDot(files, result) : CheckText(files, result));
  return Finish(result.problems.empty() ? 0 : 1);
}

int Run(int argc, char** argv) {
  const bool check = argc > 1 && std::strcmp(argv[1], "check") == 0;
  const Options o = Parse(check ? 2 : 1, argc, argv);
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
    bool ok = !file.empty();
    for (std::size_t i = 0; i < fields.size() && ok; ++i) {
      std::string value;
      ok = FormatValue(plugin, file, static_cast<int>(i), fields[i].type, json,
                       &buf, &value);
      if (json) {
        record += (i ? ", " : "") + JsonString(HostTextToUtf8(fields[i].name)) + ": " + value;
      } else {
        record += "  " + Escaped(HostTextToTerminal(fields[i].name)) + ": " + value + "\n";
      }
    }
    if (!ok) {
      ++failures;
      std::string reason = OpenFailureReason(file);
      if (!json) {
        Write(out);
        out.clear();
      }
      std::fflush(stdout);
      std::fprintf(stderr, "zmkinfo: %s\n", Escaped(reason).c_str());
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
      out += Escaped(file) + "\n" + record;
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
    return zmk::Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zmkinfo: %s\n", zmk::Escaped(e.what()).c_str());
    return zmk::kUsage;
  }
}
