#include "plugin/lib_info.h"

#include <cstring>
#include <utility>

#include "header/bytes.h"
#include "header/dependency_list.h"
#include "header/ruid.h"

namespace zmk {

TFileCache FileCache;
Mutex FileCacheMutex;

void TFileCache::Refresh(const char* FileName) {
  if (FileName == nullptr) FileName = "";
  // One pass over the name: the key never holds a NUL.
  if (std::strcmp(FileName, values_.FileName.c_str()) == 0) return;
  ReplaceBytes(&next_.FileName, FileName, std::strlen(FileName));
  // A file that is no ZMK file or ends early still shows what was read.
  header_.LoadFromFile(next_.FileName);
  TakeHeader();
}

void TFileCache::TakeHeader() {
  RUIDToStr(header_.RUID, &next_.RUIDText);
  CommaText(header_.DependsOn, &next_.DependsOnText);
  // Swaps, which cannot fail: the header gets buffers of the file before
  // last to read the next file into.
  next_.Name.swap(header_.Name);
  next_.Comment.swap(header_.Comment);
  next_.Modified = header_.Modified;
  next_.Version = header_.Version;
  next_.IsFinal = header_.IsFinal;
  next_.MinExeVersion.swap(header_.MinExeVersion);
  next_.MinDBVersion.swap(header_.MinDBVersion);
  std::swap(values_, next_);
}

}  // namespace zmk
