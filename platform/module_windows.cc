#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/module.h"

namespace zmk {

Module::Module(const std::string& path)
    : path_(path), handle_(::LoadLibraryA(path.c_str())) {
  if (handle_ == nullptr) {
    throw Error("cannot load " + path + ": " + SystemErrorText(::GetLastError()));
  }
}

Module::~Module() { ::FreeLibrary(static_cast<HMODULE>(handle_)); }

void* Module::Symbol(const char* name) const {
  return reinterpret_cast<void*>(
      ::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace zmk
