// Byte-level helpers shared by the reader and the hand-over: refilling a
// string that keeps its buffer, and looking at eight bytes at a time.
#ifndef ZMK_HEADER_BYTES_H_
#define ZMK_HEADER_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace zmk {

// Makes `text` hold [data, data + size), reusing its buffer. Costs less
// than assign(), which must allow for bytes that lie inside `text`. A
// buffer large enough is never reallocated, so that the copy cannot fail;
// when it has to grow and cannot, `text` keeps what it held.
inline void ReplaceBytes(std::string* text, const char* data, std::size_t size) {
  if (size <= text->capacity()) {
    text->clear();
    text->append(data, size);
  } else {
    text->assign(data, size);
  }
}

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The eight bytes at `p` as one word, in the machine's order: the tests
// below look at every byte alike.
inline std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Whether any byte of `word` lies below `bound`, which is at most 0x80.
// Subtracting `bound` from each byte sets the high bit of one that lies
// below it, and of one that had that bit already, which ~word clears. A
// borrow can carry only out of a byte that lies below `bound`, so the
// answer is exact even where the bits it sets are not.
inline bool HasByteBelow(std::uint64_t word, unsigned char bound) {
  constexpr std::uint64_t kEachByte = 0x0101010101010101u;
  return ((word - kEachByte * bound) & ~word & kHighBits) != 0;
}

}  // namespace zmk

#endif  // ZMK_HEADER_BYTES_H_
