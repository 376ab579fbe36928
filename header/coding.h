// Little-endian fields of the file, decoded and encoded byte by byte so that
// the host's byte order and alignment never matter.
#ifndef ZMK_HEADER_CODING_H_
#define ZMK_HEADER_CODING_H_

#include <cstdint>
#include <cstring>

namespace zmk {

inline std::uint32_t DecodeFixed32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
         std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

inline void EncodeFixed32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// Two's complement, without the implementation-defined narrowing cast.
inline std::int32_t ToInt32(std::uint32_t v) {
  return v <= 0x7FFFFFFFu ? static_cast<std::int32_t>(v)
                          : -static_cast<std::int32_t>(~v) - 1;
}

inline std::uint64_t DecodeFixed64(const unsigned char* p) {
  return std::uint64_t{DecodeFixed32(p)} |
         std::uint64_t{DecodeFixed32(p + 4)} << 32;
}

inline void EncodeFixed64(unsigned char* p, std::uint64_t v) {
  EncodeFixed32(p, static_cast<std::uint32_t>(v));
  EncodeFixed32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline double DecodeDouble(const unsigned char* p) {
  std::uint64_t bits = DecodeFixed64(p);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

inline void EncodeDouble(unsigned char* p, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  EncodeFixed64(p, bits);
}

}  // namespace zmk

#endif  // ZMK_HEADER_CODING_H_
