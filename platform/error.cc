#include "platform/error.h"

namespace zmk {

namespace {

// System texts end in a period and a line end, which the message, ending
// in the text, does without.
std::string TrimErrorText(std::string text) {
  while (!text.empty()) {
    unsigned char last = static_cast<unsigned char>(text.back());
    if (last > ' ' && last != '.') break;
    text.pop_back();
  }
  return text;
}

}  // namespace

OpenError OpenFailure(const std::string& file_name, unsigned long system_code) {
  std::string reason = TrimErrorText(SystemErrorText(system_code));
  return OpenError(CannotOpenText(AbsoluteFileName(file_name), reason), reason);
}

std::string CannotOpenText(const std::string& full_name, const std::string& reason) {
  return "Cannot open file \"" + full_name + "\". " + reason;
}

ReadError StreamReadError() { return ReadError("Stream read error"); }

OutOfMemoryError OutOfMemory() { return OutOfMemoryError("Out of memory"); }

ConvertError InvalidRUIDString() {
  return ConvertError("Invalid RUID string");
}

ConvertError InvalidInteger(const std::string& text) {
  return ConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace zmk
