#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/module.h"
#include "platform/wide.h"

namespace zmk {

Module::Module(const std::string& path)
    : path_(path), handle_(::LoadLibraryW(Utf8ToWide(path).c_str())) {
  if (handle_ == nullptr) {
    throw Error("cannot load " + path + ": " + WideErrorText(::GetLastError()));
  }
}

Module::~Module() { ::FreeLibrary(static_cast<HMODULE>(handle_)); }

void* Module::Symbol(const char* name) const {
  return reinterpret_cast<void*>(
      ::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string ExecutableDirectory() {
  // Long enough for any path the system gives a program.
  std::wstring path(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return ".";
  path.resize(n);
  return WideToUtf8(path.substr(0, path.find_last_of(L"\\/")));
}

}  // namespace zmk
