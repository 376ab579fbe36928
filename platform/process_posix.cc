#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/process.h"

namespace zmk {

long OpenHandleCount() {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  long count = 0;
  while (::readdir(dir) != nullptr) ++count;
  ::closedir(dir);
  return count;
}

long MemoryKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
  }
  std::fclose(f);
  return kib;
}

const char* HandleWord() { return "descriptors"; }

void RunThreads(int count, const std::function<void(int)>& body) {
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) threads.emplace_back(body, i);
  for (std::thread& t : threads) t.join();
}

bool HoldsOpen(const std::string& name) {
  char wanted[PATH_MAX];
  if (::realpath(name.c_str(), wanted) == nullptr) return false;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return false;
  bool held = false;
  while (dirent* e = ::readdir(dir)) {
    char target[PATH_MAX];
    const std::string link = std::string("/proc/self/fd/") + e->d_name;
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == wanted) held = true;
  }
  ::closedir(dir);
  return held;
}

unsigned long FileNotFoundCode() { return ENOENT; }

SpecialFile::SpecialFile(const std::string& name) : path_(name) {
  if (::mkfifo(name.c_str(), 0600) != 0) {
    throw Error("cannot make the FIFO " + name + ": " + SystemErrorText(errno));
  }
}

SpecialFile::~SpecialFile() { ::unlink(path_.c_str()); }

}  // namespace zmk
