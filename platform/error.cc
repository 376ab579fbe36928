#include "platform/error.h"

namespace zmk {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string TidyErrorText(std::string_view text) {
  std::string tidy;
  tidy.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 == text.size() || !IsDigit(text[i + 1])) {
      tidy += text[i];
      continue;
    }
    // A placeholder: %N, or %N!format!. It goes with the space on one side.
    std::size_t end = i + 1;
    while (end < text.size() && IsDigit(text[end])) ++end;
    if (end < text.size() && text[end] == '!') {
      const std::size_t close = text.find('!', end + 1);
      if (close != std::string_view::npos) end = close + 1;
    }
    if (!tidy.empty() && tidy.back() == ' ') {
      tidy.pop_back();
    } else if (end < text.size() && text[end] == ' ') {
      ++end;
    }
    i = end - 1;
  }
  // System texts end in a period and a line end, which the message, ending
  // in the text, does without.
  while (!tidy.empty()) {
    const unsigned char last = static_cast<unsigned char>(tidy.back());
    if (last > ' ' && last != '.') break;
    tidy.pop_back();
  }
  return tidy;
}

OpenError OpenFailure(const std::string& file_name, unsigned long system_code) {
  std::string reason = TidyErrorText(SystemErrorText(system_code));
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
