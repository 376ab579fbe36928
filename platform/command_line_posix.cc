#include <errno.h>
#include <string.h>

#include "platform/command_line.h"
#include "platform/error.h"

namespace zmk {

const char kPathSeparator = '/';

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

unsigned long WriteOutput(OutputStream stream, std::string_view text) {
  std::FILE* f = stream == OutputStream::kOut ? stdout : stderr;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), f) == text.size()) return 0;
  return errno != 0 ? static_cast<unsigned long>(errno) : EIO;
}

unsigned long FlushOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0) return errno != 0 ? static_cast<unsigned long>(errno) : EIO;
  return std::ferror(stdout) ? EIO : 0;
}

std::string OutputErrorText(unsigned long code) { return ::strerror(static_cast<int>(code)); }

std::FILE* OpenUserFile(const std::string& name) { return std::fopen(name.c_str(), "rb"); }

std::string UserFullPath(const std::string& name) { return AbsoluteFileName(name); }

bool NameForModule(const std::string& name, std::string* module_name, std::string*) {
  *module_name = name;
  return true;
}

std::string ModuleMessage(std::string_view text) { return std::string(text); }

}  // namespace zmk
