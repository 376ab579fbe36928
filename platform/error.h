// Errors raised inside the module. Nothing of these ever leaves an exported
// function: the host boundary turns them into result codes.
#ifndef ZMK_PLATFORM_ERROR_H_
#define ZMK_PLATFORM_ERROR_H_

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace zmk {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened for reading.
class OpenError : public Error {
 public:
  OpenError(const std::string& message, std::string reason)
      : Error(message), reason_(std::move(reason)) {}

  // The system's text alone, as the message ends in it.
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

// An exact read got fewer bytes than it asked for.
class ReadError : public Error {
 public:
  using Error::Error;
};

// A text is no integer, or no RUID text.
class ConvertError : public Error {
 public:
  using Error::Error;
};

// No buffer could be had for a string read from a file.
class OutOfMemoryError : public Error {
 public:
  using Error::Error;
};

// The one place each message is composed.
OpenError OpenFailure(const std::string& file_name, unsigned long system_code);
ReadError StreamReadError();
OutOfMemoryError OutOfMemory();
ConvertError InvalidRUIDString();
ConvertError InvalidInteger(const std::string& text);
// The text of an open failure, for a name already made absolute.
std::string CannotOpenText(const std::string& full_name, const std::string& reason);

// The system's own text for an error code, as the system gives it (on
// Windows without its inserts: a placeholder such as %1 stays).
std::string SystemErrorText(unsigned long system_code);

// A system's text as a message ends in it: without the placeholders a text
// fetched without its inserts still holds (%1, %2!s!, each with the space
// on one side of it), and without the period and line end it comes with.
std::string TidyErrorText(std::string_view text);

// `name` made absolute against the current directory. The empty name stays
// empty.
std::string AbsoluteFileName(const std::string& name);

}  // namespace zmk

#endif  // ZMK_PLATFORM_ERROR_H_
