#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include "platform/module.h"

namespace zmk {

Module::Module(const std::string& path)
    : path_(path), handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    throw Error("cannot load " + path + ": " + (reason ? reason : "unknown error"));
  }
}

Module::~Module() { ::dlclose(handle_); }

void* Module::Symbol(const char* name) const { return ::dlsym(handle_, name); }

std::string ExecutableDirectory() {
  char path[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string exe(path, static_cast<std::size_t>(n));
  return exe.substr(0, exe.find_last_of('/'));
}

}  // namespace zmk
