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
  std::size_t got = stream.ReadPartial(raw, sizeof raw);
  *value = ToInt32(DecodeFixed32(raw));
  return got;
}

std::size_t ReadPartial(Stream& stream, TRUID* ruid) {
  unsigned char raw[8];
  EncodeFixed32(raw, static_cast<std::uint32_t>(ruid->first));
  EncodeFixed32(raw + 4, static_cast<std::uint32_t>(ruid->second));
  std::size_t got = stream.ReadPartial(raw, sizeof raw);
  ruid->first = ToInt32(DecodeFixed32(raw));
  ruid->second = ToInt32(DecodeFixed32(raw + 4));
  return got;
}

std::size_t ReadPartial(Stream& stream, double* value) {
  unsigned char raw[8];
  EncodeDouble(raw, *value);
  std::size_t got = stream.ReadPartial(raw, sizeof raw);
  *value = DecodeDouble(raw);
  return got;
}

std::size_t ReadPartial(Stream& stream, std::uint8_t* value) {
  return stream.ReadPartial(value, 1);
}

constexpr std::size_t kStringChunk = 64 * 1024;

// The string's `kept` bytes when they are not all at hand, and its other
// bytes skipped; see ReadString.
bool ReadLongString(Stream& stream, std::size_t whole, std::size_t kept, std::string* text) {
  std::string read;
  try {
    // A length beyond what the stream holds must fail as a read error, not
    // as an allocation of that length: the string grows as its bytes come.
    while (read.size() < kept) {
      std::size_t old = read.size();
      std::size_t n = kept - old < kStringChunk ? kept - old : kStringChunk;
      read.resize(old + n);
      stream.ReadBuffer(&read[old], n);
    }
  } catch (const std::bad_alloc&) {
    throw OutOfMemory();
  }
  if (kept < whole) stream.Skip(whole - kept);
  text->swap(read);
  return kept == whole;
}

}  // namespace

bool ReadString(Stream& stream, std::string* text, std::size_t* declared) {
  unsigned char raw[4];
  stream.ReadBuffer(raw, sizeof raw);
  std::int32_t length = ToInt32(DecodeFixed32(raw));
  if (length < 1) {
    text->clear();
    return true;
  }
  const std::size_t whole = static_cast<std::size_t>(length);
  const std::size_t kept = whole < kMaxStringBytes ? whole : kMaxStringBytes;
  // Most strings are in the stream's buffer already: they go straight into
  // `text` (an assignment that fails leaves it as it was).
  try {
    if (kept == whole && stream.ReadAtHand(whole, text)) return true;
  } catch (const std::bad_alloc&) {
    throw OutOfMemory();
  }
  if (ReadLongString(stream, whole, kept, text)) return true;
  if (declared != nullptr) *declared = whole;
  return false;
}

void TSettingHeader::ResetItems() {
  RUID = TRUID{0, 0};
  Name.clear();
  Comment.clear();
  Modified = 0.0;
  Version = 0;
  IsFinal = 0;
  MinExeVersion.clear();
  MinDBVersion.clear();
}

bool TSettingHeader::LoadFromStream(Stream& stream) {
  bool whole = true;
  scratch_.clear();
  DependsOnDeclared = 0;
  DependsOnKept = 0;
  try {
    ReadPartial(stream, &RUID);
    ReadString(stream, &Name);
    ReadString(stream, &Comment);
    ReadPartial(stream, &Modified);
    ReadPartial(stream, &Version);
    ReadPartial(stream, &IsFinal);
    // Only the kept bytes of the dependency text count, and of them only
    // whole lines: a RUID text cut short could read as another RUID.
    std::size_t declared = 0;
    if (!ReadString(stream, &scratch_, &declared)) {
      DropCutLine(&scratch_);
      DependsOnDeclared = declared;
      DependsOnKept = scratch_.size();
    }
    ReadString(stream, &MinExeVersion);
    ReadString(stream, &MinDBVersion);
  } catch (...) {
    whole = false;
  }
  // Built in place, so that the entries keep their buffers from the last
  // list; a list that cannot be built whole is left empty.
  try {
    BuildDependencyList(scratch_, &DependsOn);
  } catch (...) {
    DependsOn.clear();
    return false;
  }
  return whole;
}

inline LoadResult TZMKHeader::LoadZMK(Stream& stream) {
  ResetItems();
  FormatVersion = 0;
  char signature[4];
  LoadResult result = LoadResult::kNotZMK;
  // Only a whole version counts: a file ending in 01 00 00 must not pass
  // as version 1 with the fourth byte left from the default. Such a file
  // is a ZMK file that ends early; another version is none we know.
  if (stream.Read(signature, sizeof signature) == sizeof signature &&
      std::memcmp(signature, "ZMK$", sizeof signature) == 0) {
    if (ReadPartial(stream, &FormatVersion) != 4) {
      result = LoadResult::kEndsEarly;
    } else if (FormatVersion == 1) {
      return LoadFromStream(stream) ? LoadResult::kWhole : LoadResult::kEndsEarly;
    }
  }
  DependsOn.clear();
  return result;
}

bool TZMKHeader::LoadFromFile(const std::string& FileName) {
  FileStream stream(FileName);  // throws OpenError; closes on every way out
  return LoadZMK(stream) == LoadResult::kWhole;
}

LoadResult TZMKHeader::LoadFromZMKStream(Stream& stream) { return LoadZMK(stream); }

}  // namespace zmk
