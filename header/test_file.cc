#include "header/test_file.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "header/coding.h"

namespace zmk::test {

Bytes& Bytes::Raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

Bytes& Bytes::Int32(std::int32_t v) {
  unsigned char raw[4];
  EncodeFixed32(raw, static_cast<std::uint32_t>(v));
  bytes_.append(reinterpret_cast<const char*>(raw), sizeof raw);
  return *this;
}

Bytes& Bytes::Byte(std::uint8_t v) {
  bytes_ += static_cast<char>(v);
  return *this;
}

Bytes& Bytes::Double(double v) {
  unsigned char raw[8];
  EncodeDouble(raw, v);
  bytes_.append(reinterpret_cast<const char*>(raw), sizeof raw);
  return *this;
}

Bytes& Bytes::String(const std::string& text) {
  Int32(static_cast<std::int32_t>(text.size()));
  return Raw(text);
}

Bytes& Bytes::Preamble(std::int32_t format_version) {
  return Raw("ZMK$").Int32(format_version);
}

std::string WorkedExample() {
  return Bytes()
      .Preamble()
      .Int32(12).Int32(3)
      .String("Test")
      .String("")
      .Double(38718.0)
      .Int32(5)
      .Byte(1)
      .String("1_2\r\n'3_4'\r\nabc")
      .String("7.1")
      .String("")
      .str();
}

std::string FromHex(const std::string& hex) {
  std::string out;
  int pending = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    int d = std::stoi(std::string(1, c), nullptr, 16);
    if (pending < 0) {
      pending = d;
    } else {
      out += static_cast<char>(pending << 4 | d);
      pending = -1;
    }
  }
  if (pending >= 0) throw std::invalid_argument("odd number of hex digits");
  return out;
}

namespace {

std::string UniqueName(const std::string& suffix) {
  // Test programs of several builds may run at once.
  static const unsigned run = std::random_device()();
  static std::atomic<int> counter{0};
  std::filesystem::path dir = std::filesystem::temp_directory_path();
  std::string name = "zmkinfo-test-" + std::to_string(run) + "-" +
                     std::to_string(counter++) + suffix;
  return (dir / name).string();
}

}  // namespace

TempFile::TempFile(const std::string& bytes, const std::string& suffix)
    : path_(UniqueName(suffix)) {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path_);
}

TempFile::TempFile(const std::string& head, std::uint64_t hole,
                   const std::string& tail)
    : path_(UniqueName(".zmk")) {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(head.data(), static_cast<std::streamsize>(head.size()));
  out.seekp(static_cast<std::streamoff>(head.size() + hole));
  out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  if (!out) throw std::runtime_error("cannot write " + path_);
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

std::string MissingFileName() { return UniqueName(".missing.zmk"); }

}  // namespace zmk::test
