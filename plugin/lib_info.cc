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
  if (std::strcmp(FileName, values_->FileName.c_str()) == 0) return;
  ReplaceBytes(&next_->FileName, FileName, std::strlen(FileName));
  // A file that is no ZMK file or ends early still shows what was read.
  header_.LoadFromFile(next_->FileName);
  TakeHeader();
}

void TFileCache::TakeHeader() {
  TZMKRec& next = *next_;
  RUIDToStr(header_.RUID, &next.RUIDText);
  CommaText(header_.DependsOn, &next.DependsOnText);
  // Swaps, which cannot fail: the header gets buffers of the file before
  // last to read the next file into.
  next.Name.swap(header_.Name);
  next.Comment.swap(header_.Comment);
  next.Modified = header_.Modified;
  next.Version = header_.Version;
  next.IsFinal = header_.IsFinal;
  next.MinExeVersion.swap(header_.MinExeVersion);
  next.MinDBVersion.swap(header_.MinDBVersion);
  std::swap(values_, next_);
}

}  // namespace zmk
