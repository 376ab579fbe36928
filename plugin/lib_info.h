// The display values of the file read last, and how they are brought up to
// date for a request.
#ifndef ZMK_PLUGIN_LIB_INFO_H_
#define ZMK_PLUGIN_LIB_INFO_H_

#include <cstdint>
#include <string>

#include "header/setting_header.h"
#include "platform/file.h"
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
  // The name the values were loaded under, in the ANSI form (a native name
  // converted, to name the file in a message), and as the system tells
  // files apart: the cache's key.
  std::string FileName;
  FileKey Key;
};

// The values of the file read last, keyed by its name. A file is read into
// a second record, which takes the place of the first once it is filled:
// the cache never holds half a file, and the two records and the header
// keep their strings' buffers from file to file, so that once they have
// grown, reading a file allocates nothing.
class TFileCache {
 public:
  TFileCache() = default;
  TFileCache(const TFileCache&) = delete;
  TFileCache& operator=(const TFileCache&) = delete;

  const TZMKRec& Values() const { return *values_; }

  // Makes Values() hold the values of the named file, reading it only when
  // its key differs from the one they were loaded under (all empty, under
  // the empty name, before the first file). Throws OpenError when the file
  // cannot be opened, leaving the values and their name as they were. A
  // null name counts as empty.
  void Refresh(const char* FileName);

  // The same for a name in the system's own form (UTF-16 on Windows), with
  // the one cache for both forms: a name in either form is the key of the
  // other when the system takes both for one file.
  void RefreshNative(const NativeChar* FileName);

 private:
  // The header just read, under the name in next_->FileName, becomes the
  // values, whether or not it was whole.
  void TakeHeader();

  TZMKRec records_[2];
  TZMKRec* values_ = &records_[0];
  TZMKRec* next_ = &records_[1];
  TZMKHeader header_;
};

// The module's one cache, shared by every call into the module: hold
// FileCacheMutex while using it.
extern TFileCache FileCache;
extern Mutex FileCacheMutex;

}  // namespace zmk

#endif  // ZMK_PLUGIN_LIB_INFO_H_
