// Test helpers: ZMK bytes built field by field, and files that hold them.
#ifndef ZMK_HEADER_TEST_FILE_H_
#define ZMK_HEADER_TEST_FILE_H_

#include <cstdint>
#include <string>

namespace zmk::test {

// Appends little-endian fields to a byte string.
class Bytes {
 public:
  Bytes& Raw(const std::string& bytes);
  Bytes& Int32(std::int32_t v);
  Bytes& Byte(std::uint8_t v);
  Bytes& Double(double v);
  // A length-prefixed string.
  Bytes& String(const std::string& text);

  // "ZMK$" and the format version.
  Bytes& Preamble(std::int32_t format_version = 1);

  const std::string& str() const { return bytes_; }
  operator const std::string&() const { return bytes_; }

 private:
  std::string bytes_;
};

// The 71-byte file: RUID 12_3, Name "Test", no comment, 2006-01-01,
// version 5, final, dependencies "1_2", "'3_4'", "abc", MinExeVersion "7.1".
std::string WorkedExample();

// "a1b2 c3" -> the bytes a1 b2 c3.
std::string FromHex(const std::string& hex);

// A file in the temporary directory, removed by the destructor.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes, const std::string& suffix = ".zmk");
  // `head`, then `hole` zero bytes that take no room on disk, then `tail`.
  TempFile(const std::string& head, std::uint64_t hole, const std::string& tail);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A name in the temporary directory that no file has.
std::string MissingFileName();

}  // namespace zmk::test

#endif  // ZMK_HEADER_TEST_FILE_H_
