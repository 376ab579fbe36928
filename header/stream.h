// A readable byte stream with the two reads the header reader uses.
#ifndef ZMK_HEADER_STREAM_H_
#define ZMK_HEADER_STREAM_H_

#include <cstddef>
#include <string>

#include "platform/file.h"

namespace zmk {

class Stream {
 public:
  virtual ~Stream() = default;

  // Partial read: copies what the stream still holds, up to `count` bytes,
  // leaves the rest of `dst` untouched and returns the number copied (0 at
  // the end and on a failed read).
  virtual std::size_t Read(void* dst, std::size_t count) = 0;

  // Exact read: exactly `count` bytes, or throws ReadError.
  void ReadBuffer(void* dst, std::size_t count);
};

// Bytes held by the caller, which must outlive the stream.
class MemoryStream : public Stream {
 public:
  MemoryStream(const void* data, std::size_t size)
      : data_(static_cast<const char*>(data)), size_(size) {}
  explicit MemoryStream(const std::string& bytes)
      : MemoryStream(bytes.data(), bytes.size()) {}

  std::size_t Read(void* dst, std::size_t count) override;

 private:
  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A file read front to back through a buffer, so that a header of a few
// hundred bytes costs one system read however many items it has.
class FileStream : public Stream {
 public:
  // Throws OpenError.
  explicit FileStream(const std::string& file_name)
      : file_(File::Open(file_name)) {}

  std::size_t Read(void* dst, std::size_t count) override;

 private:
  static constexpr std::size_t kBufferSize = 4096;

  File file_;
  std::size_t begin_ = 0;  // next unread byte of buf_
  std::size_t end_ = 0;    // end of the valid bytes of buf_
  bool at_end_ = false;    // the file has answered a read with nothing
  char buf_[kBufferSize];
};

}  // namespace zmk

#endif  // ZMK_HEADER_STREAM_H_
