#include "header/stream.h"

#include <algorithm>

#include "platform/error.h"

namespace zmk {

void Stream::ThrowReadError() { throw StreamReadError(); }

void Stream::Skip(std::uint64_t count) {
  char buf[4096];
  while (count > 0) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof buf));
    ReadBuffer(buf, n);
    count -= n;
  }
}

std::size_t MemoryStream::Read(void* dst, std::size_t count) {
  std::size_t n = std::min(count, static_cast<std::size_t>(limit_ - next_));
  if (n > 0) std::memcpy(dst, next_, n);
  next_ += n;
  return n;
}

void MemoryStream::Skip(std::uint64_t count) {
  if (count > static_cast<std::uint64_t>(limit_ - next_)) {
    next_ = limit_;
    throw StreamReadError();
  }
  next_ += count;
}

std::size_t FileStream::Read(void* dst, std::size_t count) {
  char* out = static_cast<char*>(dst);
  std::size_t done = 0;
  while (done < count) {
    if (next_ < limit_) {
      std::size_t n = std::min(count - done, static_cast<std::size_t>(limit_ - next_));
      std::memcpy(out + done, next_, n);
      next_ += n;
      done += n;
      continue;
    }
    if (at_end_) break;
    std::size_t want = count - done;
    std::size_t got;
    if (want >= kBufferSize) {
      // A long string goes straight to its destination.
      got = file_.Read(out + done, want);
      done += got;
    } else {
      got = file_.Read(buf_, kBufferSize);
      next_ = buf_;
      limit_ = buf_ + got;
    }
    if (got == 0) {
      if (first_read_ && file_.error() != 0) {
        throw OpenFailure(file_name_, file_.error());
      }
      at_end_ = true;
    }
    first_read_ = false;
  }
  return done;
}

void FileStream::Skip(std::uint64_t count) {
  // Once the buffer is used up, the file stands where the stream does.
  const std::size_t buffered = static_cast<std::size_t>(limit_ - next_);
  if (count <= buffered) {
    next_ += count;
    return;
  }
  next_ = limit_;
  if (at_end_ || !file_.Skip(count - buffered)) {
    at_end_ = true;
    throw StreamReadError();
  }
  first_read_ = false;
}

}  // namespace zmk
