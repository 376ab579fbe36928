// The header of a ZMK setting package.
//
// File layout, all integers little-endian, no padding:
//   "ZMK$"               4 bytes, signature
//   format version       int32, only 1 is read further
//   RUID                 int32 first, int32 second
//   Name                 string
//   Comment              string
//   Modified             double, days since 1899-12-30, fraction = time of day
//   Version              int32
//   IsFinal              byte, stored unchanged
//   dependencies         string, one RUID text per line
//   MinExeVersion        string
//   MinDBVersion         string
// A string is an int32 length n and n bytes of text; n < 1 is the empty
// string with no bytes behind it. Nothing after MinDBVersion is read.
#ifndef ZMK_HEADER_SETTING_HEADER_H_
#define ZMK_HEADER_SETTING_HEADER_H_

#include <cstdint>
#include <string>

#include "header/dependency_list.h"
#include "header/ruid.h"
#include "header/stream.h"

namespace zmk {

// The most bytes of one string that are kept. A header may declare strings
// of up to 2 GiB; the bytes beyond these are skipped unread, only checked to
// exist, so a damaged or hostile file costs no more than a real one. A host
// buffer of MaxLen bytes, up to this size, shows a cut value exactly as it
// would the whole one: its first MaxLen - 4 bytes and "...". A host with a
// larger buffer is shown the kept bytes alone, without "...".
constexpr std::size_t kMaxStringBytes = std::size_t{1} << 20;

// Reads one length-prefixed string into `text`, reusing its buffer, and
// keeps at most kMaxStringBytes of it. Returns false when the string was
// cut to that, and then its declared length in `*declared` if given.
// Throws ReadError when the stream holds fewer bytes than the length asks
// for, OutOfMemoryError when no buffer can be had for them; `text` then
// keeps what it held.
bool ReadString(Stream& stream, std::string* text, std::size_t* declared = nullptr);

class TSettingHeader {
 public:
  TSettingHeader() = default;
  virtual ~TSettingHeader() = default;
  TSettingHeader(const TSettingHeader&) = delete;
  TSettingHeader& operator=(const TSettingHeader&) = delete;

  // Reads everything after the format version from the stream's position,
  // front to back. False when the stream ends early or a string cannot be
  // read; the fields read up to then keep their new values, and DependsOn
  // holds the lines of as much of the dependency text as was read. Never
  // throws.
  bool LoadFromStream(Stream& stream);

  TRUID RUID{0, 0};
  std::string Name;
  std::string Comment;
  double Modified = 0.0;
  std::int32_t Version = 0;
  std::uint8_t IsFinal = 0;
  StringList DependsOn;
  std::string MinExeVersion;
  std::string MinDBVersion;

  // Set only when the dependency text was longer than kMaxStringBytes: its
  // declared length, and the bytes of it that were used (the kept bytes up
  // to their last whole line). 0 and 0 otherwise.
  std::size_t DependsOnDeclared = 0;
  std::size_t DependsOnKept = 0;

 protected:
  // Every item but DependsOn back to its default, the strings keeping their
  // buffers.
  void ResetItems();

 private:
  std::string scratch_;  // the dependency text as it is read
};

// What a file held, as TZMKHeader found it.
enum class LoadResult {
  kWhole,      // the signature, format version 1 and a whole header
  kNotZMK,     // no signature, or another format version
  kEndsEarly,  // a ZMK file of format version 1 whose header ends early
};

class TZMKHeader : public TSettingHeader {
 public:
  // True only for a file with the signature, format version 1 and a whole
  // header. Throws OpenError when the file cannot be opened; every other
  // problem gives false. The file is closed before this returns. Every item
  // is replaced, those the file does not hold by their defaults, and the
  // strings and the list's entries keep their buffers: one header reads
  // file after file without allocating once they have grown.
  bool LoadFromFile(const std::string& FileName);

  // The same from a stream standing at the file's first byte: the
  // signature, the format version, then LoadFromStream.
  LoadResult LoadFromZMKStream(Stream& stream);

  std::int32_t FormatVersion = 0;

 private:
  LoadResult LoadZMK(Stream& stream);  // the two above, inlined into each
};

}  // namespace zmk

#endif  // ZMK_HEADER_SETTING_HEADER_H_
