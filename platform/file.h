// The operating system seen from the header reader: one file opened for
// reading, and the step to the next character of the ANSI code page.
#ifndef ZMK_PLATFORM_FILE_H_
#define ZMK_PLATFORM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace zmk {

// An existing regular file, open for reading, closed by the destructor.
class File {
 public:
  // Opens an existing file for reading, never creating it. On Windows the
  // open denies every kind of sharing, so it fails while another handle to
  // the file is open. Anything that is not a regular disk file (a directory,
  // a pipe, a device) fails like a missing file would.
  // Throws OpenError.
  static File Open(const std::string& name);

  File(File&& other) noexcept;
  File& operator=(File&&) = delete;
  File(const File&) = delete;
  ~File();

  // One read from the current position: the number of bytes placed in
  // `dst`, 0 at the end of the file and on a failed read.
  std::size_t Read(void* dst, std::size_t count);

 private:
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

// The position of the character after the one at `p` in the system's ANSI
// code page; `p` points into a NUL-terminated text.
const char* NextChar(const char* p);

}  // namespace zmk

#endif  // ZMK_PLATFORM_FILE_H_
