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
#include "tools/zmkinfo/field_mode.h"
#include "tools/zmkinfo/output.h"

namespace zmk {
namespace {

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
  Write(o.json ? CheckJson(files, result) : o.dot ? CheckDot(files, result) : CheckText(files, result));
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
  if (o.operands.empty()) return Usage();
  return ShowFields(plugin_path, o.json, o.operands);
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
