// A readable byte stream and the ways the header reader takes from it: a
// partial read, an exact read, the bytes at hand, and an exact skip.
#ifndef ZMK_HEADER_STREAM_H_
#define ZMK_HEADER_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "header/bytes.h"
#include "platform/file.h"

namespace zmk {

class Stream {
 public:
  virtual ~Stream() = default;

  // Partial read: copies what the stream still holds, up to `count` bytes,
  // leaves the rest of `dst` untouched and returns the number copied (0 at
  // the end and on a failed read).
  virtual std::size_t Read(void* dst, std::size_t count) = 0;

  // The same, served inline from the bytes at hand when they suffice: the
  // header's fields are a few bytes each, and most files' headers sit
  // whole in one buffer.
  std::size_t ReadPartial(void* dst, std::size_t count) {
    if (count <= AtHand()) {
      Take(dst, count);
      return count;
    }
    return Read(dst, count);
  }

  // Exact read: exactly `count` bytes, or throws ReadError.
  void ReadBuffer(void* dst, std::size_t count) {
    if (count <= AtHand()) {
      Take(dst, count);
    } else if (Read(dst, count) != count) {
      ThrowReadError();
    }
  }

  // When the next `count` bytes are at hand, reads them into `text`,
  // replacing what it held and reusing its buffer, and returns true.
  // Otherwise reads nothing and returns false.
  bool ReadAtHand(std::size_t count, std::string* text) {
    if (count > AtHand()) return false;
    ReplaceBytes(text, next_, count);
    next_ += count;
    return true;
  }

  // Exact skip: moves past `count` bytes, or throws ReadError when the
  // stream holds fewer. Streams that can, skip without reading the bytes.
  virtual void Skip(std::uint64_t count);

 protected:
  // The bytes a stream holds at hand, next_ to limit_; its Read takes from
  // them first. A stream without a buffer leaves both null.
  const char* next_ = nullptr;
  const char* limit_ = nullptr;

 private:
  std::size_t AtHand() const { return static_cast<std::size_t>(limit_ - next_); }
  void Take(void* dst, std::size_t count) {
    std::memcpy(dst, next_, count);
    next_ += count;
  }
  [[noreturn]] static void ThrowReadError();
};

// Bytes held by the caller, which must outlive the stream.
class MemoryStream : public Stream {
 public:
  MemoryStream(const void* data, std::size_t size) {
    next_ = static_cast<const char*>(data);
    limit_ = next_ + size;
  }
  explicit MemoryStream(const std::string& bytes)
      : MemoryStream(bytes.data(), bytes.size()) {}

  std::size_t Read(void* dst, std::size_t count) override;
  void Skip(std::uint64_t count) override;
};

// A file read front to back through a buffer, so that a header of a few
// hundred bytes costs one system read however many items it has.
class FileStream : public Stream {
 public:
  // Throws OpenError, also from the first Read when the file's first read
  // fails (a directory, say) rather than finding its end. `file_name` must
  // outlive the stream.
  explicit FileStream(const std::string& file_name)
      : file_name_(file_name), file_(File::Open(file_name)) {}
  // A file opened by the caller; `file_name` is what an error names.
  FileStream(const std::string& file_name, File file)
      : file_name_(file_name), file_(std::move(file)) {}

  std::size_t Read(void* dst, std::size_t count) override;
  void Skip(std::uint64_t count) override;

 private:
  static constexpr std::size_t kBufferSize = 4096;

  const std::string& file_name_;
  File file_;
  bool first_read_ = true;
  bool at_end_ = false;  // the file has answered a read with nothing
  char buf_[kBufferSize];
};

}  // namespace zmk

#endif  // ZMK_HEADER_STREAM_H_
