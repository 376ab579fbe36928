// The operating system seen from the header reader: one file opened for
// reading, and the step to the next character of the ANSI code page.
#ifndef ZMK_PLATFORM_FILE_H_
#define ZMK_PLATFORM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace zmk {

// An existing file, open for reading, closed by the destructor.
class File {
 public:
  // Opens an existing file for reading, never creating it, and never
  // waiting: a FIFO without a writer opens at once. On Windows the open
  // denies every kind of sharing, so it fails while another handle to the
  // file is open, and anything that is not a disk file (a console, a pipe,
  // a device such as NUL) fails like a missing file would: a read from it
  // could block the host. On POSIX the open asks nothing more of the file;
  // a directory shows itself by the failure of the first read (error()).
  // Throws OpenError.
  static File Open(const std::string& name);
#ifdef _WIN32
  // The same by a wide name, which holds every character a Windows name
  // can (an ANSI name only those of the ANSI code page).
  static File Open(const std::wstring& name);
#endif

  // Takes over a handle the caller opened (a file found by a walk through
  // directory handles), to read it and close it like any other.
  static File Adopt(std::intptr_t handle) { return File(handle); }

  File(File&& other) noexcept;
  File& operator=(File&&) = delete;
  File(const File&) = delete;
  ~File();

  // One read from the current position: the number of bytes placed in
  // `dst`, 0 at the end of the file and on a failed read.
  std::size_t Read(void* dst, std::size_t count);

  // Moves the position `count` bytes on, without reading them where the
  // file can seek: one seek and a read of the last byte skipped, which
  // proves that the file holds it. False when the file holds fewer bytes.
  bool Skip(std::uint64_t count);

  // The system's code for the last read that failed, 0 while none has.
  unsigned long error() const { return error_; }

 private:
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
  unsigned long error_ = 0;
};

// The form in which the system itself names files: UTF-16 units on
// Windows, bytes elsewhere.
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

// A file's name as the system tells files apart: the key of the value
// cache. On Windows the name's UTF-16 form, which a name in the ANSI code
// page becomes as CreateFileA would make it, so that two names the system
// takes for one file are one key; elsewhere its bytes. Keeps its buffers.
class FileKey {
 public:
  // The key of a name as an ANSI host passes it (the bytes, on POSIX).
  // False, and then the key of no name, when it does not convert.
  bool Assign(const char* name);
  // The key of a name in the system's own form.
  void AssignNative(const NativeChar* name) {
    native_.assign(name);
    valid_ = true;
  }

  // Whether `name` (in either form) has this key. Not const: on Windows an
  // ANSI name is converted into a buffer of the key's own.
  bool Matches(const char* name);
  bool MatchesNative(const NativeChar* name) const { return valid_ && native_ == name; }

  // The name in the ANSI form, "?" for a character the code page lacks, to
  // name the file in a message. Into `name`, reusing its buffer.
  void ToAnsi(std::string* name) const;

  // Opens the file by its native name, as File::Open does.
  File Open() const;

 private:
  std::basic_string<NativeChar> native_;
  std::basic_string<NativeChar> scratch_;  // an ANSI name, converted
  bool valid_ = true;  // false after a name that did not convert
};

// The position of the character after the one at `p` in the system's ANSI
// code page; `p` points into a NUL-terminated text.
const char* NextChar(const char* p);

#ifdef _WIN32
// `name` as the system's ANSI file functions (CreateFileA) read it: from
// the code page they use, the ANSI one unless the process switched them to
// OEM. Into `wide`, reusing its buffer; false when it does not convert.
bool FileNameToWide(const char* name, std::wstring* wide);

// Whether an open handle is a disk file: a console or a pipe could make a
// read wait for input, and a device such as NUL is no file.
bool IsDiskFile(std::intptr_t handle);

// A wide name in that code page, "?" for a character it lacks: for
// messages. Into `name`, reusing its buffer.
void FileNameFromWide(const std::wstring& wide, std::string* name);
#endif

}  // namespace zmk

#endif  // ZMK_PLATFORM_FILE_H_
