#include "header/stream.h"

#include <algorithm>
#include <cstring>

#include "platform/error.h"

namespace zmk {

void Stream::ReadBuffer(void* dst, std::size_t count) {
  if (Read(dst, count) != count) throw StreamReadError();
}

std::size_t MemoryStream::Read(void* dst, std::size_t count) {
  std::size_t n = std::min(count, size_ - pos_);
  if (n > 0) std::memcpy(dst, data_ + pos_, n);
  pos_ += n;
  return n;
}

std::size_t FileStream::Read(void* dst, std::size_t count) {
  char* out = static_cast<char*>(dst);
  std::size_t done = 0;
  while (done < count) {
    if (begin_ < end_) {
      std::size_t n = std::min(count - done, end_ - begin_);
      std::memcpy(out + done, buf_ + begin_, n);
      begin_ += n;
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
      begin_ = 0;
      end_ = got;
    }
    if (got == 0) at_end_ = true;
  }
  return done;
}

}  // namespace zmk
