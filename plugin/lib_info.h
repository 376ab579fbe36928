// The display values of the file read last, and how they are brought up to
// date for a request.
#ifndef ZMK_PLUGIN_LIB_INFO_H_
#define ZMK_PLUGIN_LIB_INFO_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/mutex.h"

namespace zmk {

struct TZMKRec {
  std::string RUIDText;
  std::string Name;
  std::string Comment;
  double Modified = 0.0;  // day count, as stored
  std::int32_t Version = 0;
  std::int32_t IsFinal = 0;  // the stored byte, 0 to 255
  std::string DependsOnText;
  std::string MinExeVersion;
  std::string MinDBVersion;
  std::string FileName;  // the name the values were loaded under
};

// The module's one cache, all empty when the module is loaded. Shared by
// every call into the module: hold FileCacheMutex while using it.
extern TZMKRec FileCache;
extern Mutex FileCacheMutex;

// Makes FileCache hold the values of the named file, reading it only when
// its name differs byte for byte from the cache's. Throws OpenError when
// the file cannot be opened; the cache is then left as it was.
void Refresh(std::string_view FileName);
// The same for a host's NUL-terminated name; null counts as empty.
void Refresh(const char* FileName);

// Reads the file and replaces the cache's contents and key, whether or not
// its header was whole. Throws OpenError, leaving the cache as it was.
// Hold FileCacheMutex: the header and the record it fills are kept from
// file to file, so that their buffers are reused.
void LoadFileInfo(std::string_view FileName);

}  // namespace zmk

#endif  // ZMK_PLUGIN_LIB_INFO_H_
