// Speed of the module against the floor of reading a file header at all.
//
//   bench [--plugin MODULE]... [--files N] [--rounds N] [--idle-thread]
//   bench --plugin MODULE --once DIR   (one pass of the module over DIR's
//                                       files, for counting system calls)
//   bench --files N --write DIR        (only writes the timed files to DIR)
//
// The floor: for each file, open + one read of 4 KiB + close. The module:
// the nine fields of each file through ContentGetValue, in the order a file
// manager asks for them. Both run over the same files, in alternating
// rounds; each round gives a ratio, and the median, least and greatest of
// them are printed. Several modules (--plugin more than once, say a build
// from before a change and one from after) are timed in the same rounds,
// each against a floor taken just before it, in an order that turns from
// round to round, so that they meet the same machine. Heap allocations are
// counted over one pass of the module: this program's malloc is the one the
// module's calls resolve to.
// Like a host, the program takes the character set of its environment's
// locale, in which the module hands its text over. With --idle-thread, a
// second thread that does nothing lives from before the module is loaded
// to the end, as every real host has threads besides the one that asks.
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "header/test_file.h"
#include "platform/module.h"
#include "plugin/content_plugin.h"
#include "tools/program_main.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
}

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

extern "C" void* malloc(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* p, std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}

namespace zmk {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// A setting package of some KiB: a header with Cyrillic text and
// dependencies, then the settings themselves, which nobody here reads.
std::string MakePackage(std::mt19937* rng, int i) {
  std::uniform_int_distribution<int> payload(2048, 48 * 1024);
  std::string deps;
  // RUID texts of 17 bytes, longer than a string holds without a buffer
  // of its own.
  for (int d = 0; d < 5; ++d) {
    deps += std::to_string(147000000 + d) + "_" + std::to_string(1000000 + i) + "\r\n";
  }
  return test::Bytes()
      .Preamble().Int32(147000000 + i).Int32(17)
      .String("\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8 " + std::to_string(i))
      .String(std::string(200, '\xEA'))
      .Double(45000.0 + i).Int32(i).Byte(i & 1)
      .String(deps).String("4.2.1.0").String("2.10")
      .Raw(std::string(static_cast<std::size_t>(payload(*rng)), 'p'))
      .str();
}

std::vector<std::string> MakeFiles(const std::string& dir, int count) {
  std::mt19937 rng(12345);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    std::string name = dir + "/package-" + std::to_string(i) + ".zmk";
    std::string bytes = MakePackage(&rng, i);
    FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + name);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    names.push_back(name);
  }
  return names;
}

double Floor(const std::vector<std::string>& names) {
  static char buf[4096];
  auto start = Clock::now();
  for (const std::string& name : names) {
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    if (::read(fd, buf, sizeof buf) <= 0) std::abort();
    ::close(fd);
  }
  return Seconds(start);
}

double ModulePass(ContentGetValueFunc get_value, const std::vector<std::string>& names) {
  static char buf[1024];
  auto start = Clock::now();
  for (const std::string& name : names) {
    for (int field = 0; field < 9; ++field) {
      if (get_value(name.c_str(), field, 0, buf, sizeof buf, 0) < 0) std::abort();
    }
  }
  return Seconds(start);
}

double CachedNs(ContentGetValueFunc get_value, const std::string& name, int field) {
  char buf[1024];
  get_value(name.c_str(), field, 0, buf, sizeof buf, 0);
  constexpr long kRequests = 5000000;
  auto start = Clock::now();
  for (long i = 0; i < kRequests; ++i) get_value(name.c_str(), field, 0, buf, sizeof buf, 0);
  return Seconds(start) * 1e9 / kRequests;
}

// A thread that waits, doing nothing, until the object goes.
class IdleThread {
 public:
  IdleThread()
      : thread_([this] {
          std::unique_lock<std::mutex> lock(mu_);
          cv_.wait(lock, [this] { return done_; });
        }) {}
  ~IdleThread() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      done_ = true;
    }
    cv_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;  // last: starts once the others are built
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Timed {
  std::string path;
  std::unique_ptr<Module> module;
  ContentGetValueFunc get_value = nullptr;
  std::vector<double> floors, modules, ratios;
};

// A module's figures: the timed rounds', then one more pass that counts
// heap allocations, and cached requests.
void Report(Timed* t, const std::vector<std::string>& names) {
  const long allocations_before = g_allocations.load();
  ModulePass(t->get_value, names);
  const double allocations =
      static_cast<double>(g_allocations.load() - allocations_before) / names.size();
  std::printf("floor (open + read 4 KiB + close): %.2f us per file\n", Median(t->floors));
  std::printf("module (nine fields through ContentGetValue): %.2f us per file\n",
              Median(t->modules));
  std::printf("module minus floor: %.2f us per file\n", Median(t->modules) - Median(t->floors));
  std::printf("ratio module/floor: median %.3f, min %.3f, max %.3f\n", Median(t->ratios),
              *std::min_element(t->ratios.begin(), t->ratios.end()),
              *std::max_element(t->ratios.begin(), t->ratios.end()));
  std::printf("heap allocations per file: %.2f\n", allocations);
  std::printf("cached request, integer field: %.1f ns\n", CachedNs(t->get_value, names[0], 4));
  std::printf("cached request, string field: %.1f ns\n", CachedNs(t->get_value, names[0], 1));
}

struct Options {
  std::vector<std::string> plugins;
  int files = 10000, rounds = 7;
  std::string once_dir, write_dir;
  bool idle_thread = false;
};

int Run(Options o) {
  const int files = o.files, rounds = o.rounds;
  const std::string &once_dir = o.once_dir, &write_dir = o.write_dir;
  if (!write_dir.empty()) {
    std::printf("files written: %zu\n", MakeFiles(write_dir, files).size());
    return 0;
  }
  if (o.plugins.empty()) o.plugins.push_back(ExecutableDirectory() + "/ZMKInfo.wdx");
  if (!once_dir.empty() && o.plugins.size() > 1) {
    throw std::runtime_error("--once takes one module");
  }
  std::unique_ptr<IdleThread> idle;
  if (o.idle_thread) idle = std::make_unique<IdleThread>();
  std::vector<Timed> timed(o.plugins.size());
  for (std::size_t m = 0; m < o.plugins.size(); ++m) {
    timed[m].path = o.plugins[m];
    timed[m].module = std::make_unique<Module>(o.plugins[m]);
    timed[m].get_value = timed[m].module->Function<ContentGetValueFunc>("ContentGetValue");
  }

  if (!once_dir.empty()) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(once_dir.c_str());
    while (dirent* e = dir ? ::readdir(dir) : nullptr) {
      if (std::strstr(e->d_name, ".zmk")) names.push_back(once_dir + "/" + e->d_name);
    }
    if (dir) ::closedir(dir);
    ModulePass(timed[0].get_value, names);
    std::printf("files read: %zu\n", names.size());
    return 0;
  }

  char tmpl[] = "/tmp/zmkinfo-bench-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
  const std::string dir = tmpl;
  std::vector<std::string> names = MakeFiles(dir, files);

  // Warm the page cache and the code.
  Floor(names);
  for (Timed& t : timed) ModulePass(t.get_value, names);
  for (int r = 0; r < rounds; ++r) {
    for (std::size_t i = 0; i < timed.size(); ++i) {
      Timed& t = timed[(i + static_cast<std::size_t>(r)) % timed.size()];
      t.floors.push_back(Floor(names) * 1e6 / files);
      t.modules.push_back(ModulePass(t.get_value, names) * 1e6 / files);
      t.ratios.push_back(t.modules.back() / t.floors.back());
    }
  }

  std::printf("files: %d, rounds: %d (medians), text in %s, %s\n", files, rounds,
              ::nl_langinfo(CODESET), idle ? "a second thread idle" : "one thread");
  for (Timed& t : timed) {
    if (timed.size() > 1) std::printf("\nmodule: %s\n", t.path.c_str());
    Report(&t, names);
  }

  for (const std::string& name : names) ::unlink(name.c_str());
  ::rmdir(dir.c_str());
  return 0;
}

}  // namespace
}  // namespace zmk

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  CLI::App app("The module's speed against the floor of reading a header at all.", "bench");
  zmk::Options o;
  app.add_option("--plugin", o.plugins, "a module to time (again for more)")
      ->type_name("MODULE")->allow_extra_args(false);
  app.add_option("--files", o.files, "how many files");
  app.add_option("--rounds", o.rounds, "how many rounds");
  app.add_flag("--idle-thread", o.idle_thread, "a second thread, idle, as hosts have");
  auto* once = app.add_option("--once", o.once_dir, "one pass over DIR's files")->type_name("DIR");
  auto* write = app.add_option("--write", o.write_dir, "only write the files to DIR")->type_name("DIR");
  once->excludes(write);
  return zmk::ProgramMain(app, argc, argv, [&] { return zmk::Run(o); });
}
