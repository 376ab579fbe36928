#include <dlfcn.h>

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

}  // namespace zmk
