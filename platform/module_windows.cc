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

std::string ExecutableDirectory() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".";
  std::string exe(path, n);
  return exe.substr(0, exe.find_last_of("\\/"));
}

}  // namespace zmk
