// Loading a plugin module the way a host does, for programs that are not
// part of the module: the command-line host and the boundary tests.
#ifndef ZMK_PLATFORM_MODULE_H_
#define ZMK_PLATFORM_MODULE_H_

#include <string>

#include "platform/error.h"

namespace zmk {

// Paths are UTF-8 on Windows, the system's bytes elsewhere.
class Module {
 public:
  // Throws Error naming the module and the system's reason.
  explicit Module(const std::string& path);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // The exported function named `name`, or nullptr.
  void* Symbol(const char* name) const;

  // Typed look-up; throws Error when the module lacks the export.
  template <typename F>
  F Function(const char* name) const {
    void* p = Symbol(name);
    if (p == nullptr) throw MissingExport(name);
    return reinterpret_cast<F>(p);
  }

 private:
  Error MissingExport(const char* name) const {
    return Error(path_ + " does not export " + name);
  }

  std::string path_;
  void* handle_;
};

// The folder of the running program, without a trailing separator.
std::string ExecutableDirectory();

}  // namespace zmk

#endif  // ZMK_PLATFORM_MODULE_H_
