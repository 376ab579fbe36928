// Soak: a million value requests through the module's exports, mixing
// whole, damaged, truncated, missing and unreadable files. Prints the open
// descriptors (handles on Windows) and the memory before and after; fails
// when either has grown.
//
//   soak [--plugin MODULE] [--ignore-memory] [REQUESTS]
//
// --ignore-memory: under a sanitizer or Valgrind, which keep freed memory
// aside on purpose, the memory figures are printed but not judged.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "header/test_file.h"
#include "platform/module.h"
#include "platform/process.h"
#include "plugin/content_plugin.h"
#include "tools/program_main.h"

namespace zmk {
namespace {

int Run(const std::string& plugin, long requests, bool judge_memory) {
  Module module(plugin);
  auto get_value = module.Function<ContentGetValueFunc>("ContentGetValue");

  const std::string whole = test::WorkedExample();
  std::vector<std::unique_ptr<test::TempFile>> files;
  files.push_back(std::make_unique<test::TempFile>(whole));
  files.push_back(std::make_unique<test::TempFile>(whole.substr(0, 30)));   // cut in Modified
  files.push_back(std::make_unique<test::TempFile>(whole.substr(0, 11)));   // cut in RUID
  files.push_back(std::make_unique<test::TempFile>("ZMK$\x02\x00\x00\x00"));  // other version
  files.push_back(std::make_unique<test::TempFile>(
      test::Bytes().Preamble().Int32(1).Int32(1).Int32(2000000000).Raw("xx")));  // huge length
  files.push_back(std::make_unique<test::TempFile>(""));
  files.push_back(std::make_unique<test::TempFile>(std::string(5000, '\xFF')));
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f->path());
  names.push_back(test::MissingFileName());
  const std::string dir = names[0].substr(0, names[0].find_last_of("/\\"));
  names.push_back(dir);  // a directory

  SpecialFile special(test::MissingFileName());  // held elsewhere, or a FIFO
  names.push_back(special.path());

  char buf[512];
  long errors = 0, answers = 0;
  auto request = [&](long r) {
    // A run of requests for one name, as a file manager makes them, then
    // the next name.
    const std::string& name = names[(r / 11) % names.size()];
    int result = get_value(name.c_str(), static_cast<int>(r % 11) - 1, 0, buf,
                           static_cast<int>(r % 97) + 1, 0);
    if (result == ft_fileerror) ++errors; else ++answers;
  };

  // Warm up, so that the figures compare like with like.
  const long warm = requests / 10;
  for (long r = 0; r < warm; ++r) request(r);
  const long handles_before = OpenHandleCount();
  const long memory_before = MemoryKiB();
  for (long r = warm; r < requests; ++r) request(r);
  const long handles_after = OpenHandleCount();
  const long memory_after = MemoryKiB();

  // Each file by name as well: Wine counts no handles.
  long held = 0;
  for (const auto& f : files) held += HoldsOpen(f->path()) ? 1 : 0;
  std::printf("files still held open after the run: %ld of %zu\n", held, files.size());

  std::printf("requests: %ld (%ld answered, %ld file errors)\n", requests, answers, errors);
  if (handles_before > 0) {
    std::printf("open %s: %ld before, %ld after\n", HandleWord(), handles_before, handles_after);
  } else {
    std::printf("open %s: not counted by this system\n", HandleWord());  // Wine
  }
  std::printf("memory: %ld KiB before, %ld KiB after\n", memory_before, memory_after);
  bool ok = handles_after == handles_before && held == 0 && errors > 0 && answers > 0 &&
            (!judge_memory || memory_after - memory_before < 1024);
  std::printf("soak: %s\n", ok ? "passed" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace zmk

int main(int argc, char** argv) {
  CLI::App app("A million value requests; open files and memory before and after.", "soak");
  std::string plugin = zmk::ExecutableDirectory() + "/ZMKInfo.wdx";
  long requests = 1000000;
  bool ignore_memory = false;
  app.add_option("--plugin", plugin, "the module")->type_name("MODULE");
  app.add_flag("--ignore-memory", ignore_memory, "print the memory figures, judge them not");
  app.add_option("REQUESTS", requests, "how many requests")->type_name("");
  return zmk::ProgramMain(app, argc, argv,
                          [&] { return zmk::Run(plugin, requests, !ignore_memory); });
}
