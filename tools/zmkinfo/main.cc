// zmkinfo: shows the fields of ZMK files by loading the plugin module and
// calling its exports, exactly as a file manager does.
//
//   zmkinfo [--plugin MODULE] [--json] FILE...
//   zmkinfo --version [--plugin MODULE]
//   zmkinfo check [--json] PATH...
#include <cstdint>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
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
      char date[24];
      std::snprintf(date, sizeof date, "%04u-%02u-%02u", unsigned{d.wYear},
                    unsigned{d.wMonth}, unsigned{d.wDay});
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
// failure, with the system's reason.
std::string OpenFailureReason(const std::string& file) {
  try {
    TZMKHeader().LoadFromFile(file);
  } catch (const OpenError& e) {
    return e.what();
  }
  return "Cannot open file \"" + file + "\"";
}

int Usage() {
  std::fputs("usage: zmkinfo [--plugin MODULE] [--json] FILE...\n"
             "       zmkinfo --version [--plugin MODULE]\n"
             "       zmkinfo check [--json] PATH...\n", stderr);
  return 2;
}

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
  Module module(plugin_path);  // it must load, as a host would load it
  std::printf("zmkinfo %s\nmodule %s %s\n", ZMK_VERSION, plugin_path.c_str(),
              ModuleVersion(plugin_path).c_str());
  return 0;
}

struct Options {
  std::string plugin_path;
  bool json = false;
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
  if (o.bad || o.version || !o.plugin_path.empty() || o.operands.empty()) return Usage();
  const std::vector<PackageFile> files = CollectPackages(o.operands);
  const CheckResult result = CheckDelivery(files);
  const std::string out = o.json ? CheckJson(files, result) : CheckText(files, result);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return result.problems.empty() ? 0 : 1;
}

int Run(int argc, char** argv) {
  const bool check = argc > 1 && std::strcmp(argv[1], "check") == 0;
  const Options o = Parse(check ? 2 : 1, argc, argv);
  if (o.help) {
    Usage();
    return 0;
  }
  if (check) return Check(o);
  if (o.bad) return Usage();
  const std::string plugin_path = o.plugin_path.empty() ? DefaultModule() : o.plugin_path;
  if (o.version) return o.operands.empty() ? Version(plugin_path) : Usage();
  const std::vector<std::string>& files = o.operands;
  const bool json = o.json;
  if (files.empty()) return Usage();

  Plugin plugin(plugin_path);
  const std::vector<Field> fields = plugin.Fields();
  std::vector<char> buf(kValueBuffer);
  std::string out;
  int failures = 0;
  bool first = true;
  if (json) out += "[";
  for (const std::string& file : files) {
    std::string record;
    bool ok = true;
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
        std::fwrite(out.data(), 1, out.size(), stdout);
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
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  if (json) out += "\n]\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return failures ? 1 : 0;
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
    std::fprintf(stderr, "zmkinfo: %s\n", e.what());
    return 2;
  }
}
