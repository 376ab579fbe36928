#include "header/setting_header.h"

#include <cstring>
#include <new>

#include "header/coding.h"
#include "platform/error.h"

namespace zmk {

namespace {

// Fixed-size fields take a partial read: when the stream ends inside one,
// the bytes that arrived replace the field's first bytes and the others keep
// what the field held. The next read then fails.
// Each returns the number of bytes that arrived.
std::size_t ReadPartial(Stream& stream, std::int32_t* value) {
  unsigned char raw[4];
  EncodeFixed32(raw, static_cast<std::uint32_t>(*value));
  std::size_t got = stream.Read(raw, sizeof raw);
  *value = ToInt32(DecodeFixed32(raw));
  return got;
}

std::size_t ReadPartial(Stream& stream, TRUID* ruid) {
  unsigned char raw[8];
  EncodeFixed32(raw, static_cast<std::uint32_t>(ruid->first));
  EncodeFixed32(raw + 4, static_cast<std::uint32_t>(ruid->second));
  std::size_t got = stream.Read(raw, sizeof raw);
  ruid->first = ToInt32(DecodeFixed32(raw));
  ruid->second = ToInt32(DecodeFixed32(raw + 4));
  return got;
}

std::size_t ReadPartial(Stream& stream, double* value) {
  unsigned char raw[8];
  EncodeDouble(raw, *value);
  std::size_t got = stream.Read(raw, sizeof raw);
  *value = DecodeDouble(raw);
  return got;
}

std::size_t ReadPartial(Stream& stream, std::uint8_t* value) {
  return stream.Read(value, 1);
}

// A length beyond what the file holds must fail as a read error, not as an
// allocation of that length, so a string grows only as its bytes arrive.
constexpr std::size_t kStringChunk = 64 * 1024;

}  // namespace

std::string ReadString(Stream& stream) {
  unsigned char raw[4];
  stream.ReadBuffer(raw, sizeof raw);
  std::int32_t length = ToInt32(DecodeFixed32(raw));
  if (length < 1) return std::string();

  std::string text;
  try {
    std::size_t remaining = static_cast<std::size_t>(length);
    while (remaining > 0) {
      std::size_t n = remaining < kStringChunk ? remaining : kStringChunk;
      std::size_t old = text.size();
      text.resize(old + n);
      stream.ReadBuffer(&text[old], n);
      remaining -= n;
    }
  } catch (const std::bad_alloc&) {
    throw OutOfMemory();
  }
  return text;
}

bool TSettingHeader::LoadFromStream(Stream& stream) {
  try {
    ReadPartial(stream, &RUID);
    Name = ReadString(stream);
    Comment = ReadString(stream);
    ReadPartial(stream, &Modified);
    ReadPartial(stream, &Version);
    ReadPartial(stream, &IsFinal);
    DependsOn = BuildDependencyList(ReadString(stream));
    MinExeVersion = ReadString(stream);
    MinDBVersion = ReadString(stream);
    return true;
  } catch (...) {
    return false;
  }
}

bool TZMKHeader::LoadFromFile(const std::string& FileName) {
  FileStream stream(FileName);  // throws OpenError; closes on every way out

  char signature[4];
  if (stream.Read(signature, sizeof signature) != sizeof signature ||
      std::memcmp(signature, "ZMK$", sizeof signature) != 0) {
    return false;
  }
  // Only a whole version counts: a file ending in 01 00 00 must not pass
  // as version 1 with the fourth byte left from the default.
  if (ReadPartial(stream, &FormatVersion) != 4 || FormatVersion != 1) {
    return false;
  }
  return LoadFromStream(stream);
}

}  // namespace zmk
