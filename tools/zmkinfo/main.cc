// zmkinfo: shows the fields of ZMK files by loading the plugin module and
// calling its exports, exactly as a file manager does.
//
//   zmkinfo [--plugin MODULE] [--json] FILE...
//   zmkinfo --version [--plugin MODULE]
//   zmkinfo check [--json | --dot] [--exe-version V] [--db-version W] PATH...
//   zmkinfo diff [--json] OLD NEW
#include <CLI/CLI.hpp>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/command_line.h"
#include "platform/module.h"
#include "plugin/version.h"
#include "tools/zmkinfo/check.h"
#include "tools/zmkinfo/diff.h"
#include "tools/zmkinfo/field_mode.h"
#include "tools/zmkinfo/min_version.h"
#include "tools/zmkinfo/output.h"

namespace zmk {
namespace {

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
  const Plugin plugin(plugin_path);  // it must load as the field mode loads it
  Write(std::string("zmkinfo ") + ZMK_VERSION + "\nmodule " + EscapedPath(plugin_path) + " " +
        Escaped(ModuleVersion(plugin_path)) + "\n");
  return Finish(0);
}

// JSON is UTF-8 whatever the locale: the module then gives its text in
// UTF-8 (the plain C locale counts as UTF-8 for it), and the system's
// messages are in English.
void EnterJsonLocale() {
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) std::setlocale(LC_ALL, "C");
}

// Help and wrong usage begin with the mode's own usage lines; help ends
// with what the mode does.
class UsageFormatter : public CLI::Formatter {
 public:
  explicit UsageFormatter(std::string usage) : usage_(std::move(usage)) {}
  std::string make_usage(const CLI::App*, std::string) const override { return usage_; }

 private:
  std::string usage_;
};

// One way to run zmkinfo: its options, bound to the values they fill, and
// what runs once they are parsed. Options that mean nothing in a mode are
// not among its options, so that giving one is wrong usage.
struct Mode {
  Mode(const std::string& usage_lines, const std::string& description)
      : usage(usage_lines), app(std::make_unique<CLI::App>("", "zmkinfo")) {
    app->formatter(std::make_shared<UsageFormatter>(usage_lines));
    app->footer(description);
  }

  std::string usage;
  std::unique_ptr<CLI::App> app;
  std::function<int()> run;
};

// A module's name: an empty one would mean the default module, which a
// script with an unset variable did not ask for.
const CLI::Validator kNotEmpty(
    [](const std::string& name) { return name.empty() ? "an empty name names no module" : ""; },
    "");

Mode FieldMode() {
  struct Options {
    std::string plugin_path;
    bool json = false, version = false;
    std::vector<std::string> files;
  };
  auto o = std::make_shared<Options>();
  Mode mode("usage: zmkinfo [--plugin MODULE] [--json] FILE...\n"
            "       zmkinfo --version [--plugin MODULE]\n"
            "       zmkinfo check [--json | --dot] [--exe-version V] [--db-version W] PATH...\n"
            "       zmkinfo diff [--json] OLD NEW\n"
            "       (zmkinfo check --help, zmkinfo diff --help)\n",
            "");
  CLI::App& app = *mode.app;
  app.add_option("--plugin", o->plugin_path, "the module to load (default: the one installed)")
      ->type_name("MODULE")
      ->check(kNotEmpty)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  auto* json = app.add_flag("--json", o->json, "the fields as JSON, in UTF-8");
  auto* version = app.add_flag("--version", o->version, "the versions of zmkinfo and the module");
  auto* files = app.add_option("FILE", o->files, "ZMK files")->type_name("");
  version->excludes(json)->excludes(files);
  mode.run = [o] {
    const std::string plugin = o->plugin_path.empty() ? DefaultModule() : o->plugin_path;
    if (o->version) return Version(plugin);
    if (o->files.empty()) throw CLI::RequiredError("FILE");
    if (o->json) EnterJsonLocale();
    return ShowFields(plugin, o->json, o->files);
  };
  return mode;
}

// An installation's version, read as packages' minimum versions are.
const CLI::Validator kVersion(
    [](const std::string& text) -> std::string {
      std::string_view version;
      switch (ReadVersion(text, &version)) {
        case VersionForm::kVersion: return "";
        case VersionForm::kNone: return "an empty text is not a version";
        case VersionForm::kUnreadable: break;
      }
      return "\"" + text + "\" is not a version (groups of digits joined by dots, as 4.2.1)";
    },
    "");

Mode CheckMode() {
  struct Options {
    bool json = false, dot = false;
    Installation installation;
    std::vector<std::string> paths;
  };
  auto o = std::make_shared<Options>();
  Mode mode("usage: zmkinfo check [--json | --dot] [--exe-version V] [--db-version W] PATH...\n",
            "A delivery of packages as a whole: what is missing, duplicate or in a "
            "cycle, what program and database it needs, and the order in which to "
            "import them. Folders are walked for *.zmk files.");
  CLI::App& app = *mode.app;
  auto* json = app.add_flag("--json", o->json, "the report as JSON, in UTF-8");
  auto* dot = app.add_flag("--dot", o->dot, "the dependency graph for Graphviz");
  json->excludes(dot);
  app.add_option("--exe-version", o->installation.exe_version,
                 "check for an installation with this program version")
      ->type_name("V")
      ->check(kVersion)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--db-version", o->installation.db_version,
                 "check for an installation with this database version")
      ->type_name("W")
      ->check(kVersion)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("PATH", o->paths, "ZMK files and folders")->type_name("")->required();
  mode.run = [o] {
    if (o->json) EnterJsonLocale();
    const std::vector<PackageFile> files = CollectPackages(o->paths);
    const CheckResult result = CheckDelivery(files, o->installation);
    o->dot ? CheckDot(files, result, Write)
           : Write(o->json ? CheckJson(files, result) : CheckText(files, result));
    return Finish(result.problems.empty() ? 0 : 1);
  };
  return mode;
}

// A side of a diff: wrong usage when it holds no whole package, since
// a mistyped path must not read as "everything was removed".
bool HasWholePackage(const std::vector<PackageFile>& files, const std::string& path) {
  for (const PackageFile& f : files) {
    if (f.state == PackageFile::State::kWhole) return true;
  }
  Complain("no whole package in " + path);
  return false;
}

Mode DiffMode() {
  struct Options {
    bool json = false;
    std::string old_path, new_path;
  };
  auto o = std::make_shared<Options>();
  Mode mode("usage: zmkinfo diff [--json] OLD NEW\n",
            "What changed between two deliveries, each a folder or a package file: "
            "packages added and removed, and for each RUID both hold, the fields that "
            "changed and whether the version rose, fell or stayed.");
  CLI::App& app = *mode.app;
  app.add_flag("--json", o->json, "the report as JSON, in UTF-8");
  app.add_option("OLD", o->old_path, "the delivery before")->type_name("")->required();
  app.add_option("NEW", o->new_path, "the delivery after")->type_name("")->required();
  mode.run = [o] {
    if (o->json) EnterJsonLocale();
    const std::vector<PackageFile> old_files = CollectPackages({o->old_path});
    const std::vector<PackageFile> new_files = CollectPackages({o->new_path});
    if (!HasWholePackage(old_files, o->old_path) || !HasWholePackage(new_files, o->new_path)) {
      return kUsage;
    }
    const DeliveryDiff diff = DiffDeliveries(old_files, new_files);
    Write(o->json ? DiffJson(old_files, new_files, diff) : DiffText(old_files, new_files, diff));
    return Finish(diff.Same() ? 0 : 1);
  };
  return mode;
}

// The subcommands: a name given first, and the mode it runs.
const std::pair<const char*, Mode (*)()> kSubcommands[] = {
    {"check", CheckMode},
    {"diff", DiffMode},
};

// CLI11 reads "--name=" as "--name" alone, which then takes the next
// argument for its value; an empty value given so must stay empty.
void SplitEmptyValues(std::vector<std::string>* args) {
  for (auto arg = args->begin(); arg != args->end() && *arg != "--"; ++arg) {
    if (arg->size() > 3 && arg->compare(0, 2, "--") == 0 && arg->find('=') == arg->size() - 1) {
      arg->pop_back();
      arg = args->insert(arg + 1, "");
    }
  }
}

int Run(std::vector<std::string> args) {
  Mode (*make)() = FieldMode;
  for (const auto& [name, sub] : kSubcommands) {
    if (!args.empty() && args[0] == name) {
      make = sub;
      args.erase(args.begin());
      break;
    }
  }
  SplitEmptyValues(&args);
  Mode mode = make();
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
  try {
    mode.app->parse(reversed);
    return mode.run();
  } catch (const CLI::CallForHelp&) {
    Write(mode.app->help());
    return Finish(0);
  } catch (const CLI::ParseError& e) {
    Complain(e.what());
    WriteOutput(OutputStream::kErr, mode.usage);
    return kUsage;
  }
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
