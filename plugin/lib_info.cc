#include "plugin/lib_info.h"

#include <cstring>
#include <utility>

#include "header/bytes.h"
#include "header/dependency_list.h"
#include "header/ruid.h"
#include "header/stream.h"
#include "platform/file.h"

namespace zmk {

TFileCache FileCache;
Mutex FileCacheMutex;

inline bool TFileCache::IsKey(const char* FileName) {
#ifdef _WIN32
  if (values_->WideKey) {
    return FileNameToWide(FileName, &wide_) && wide_ == values_->WideFileName;
  }
#endif
  // One pass over the name: the key never holds a NUL.
  return std::strcmp(FileName, values_->FileName.c_str()) == 0;
}

void TFileCache::Refresh(const char* FileName) {
  if (FileName == nullptr) FileName = "";
  if (IsKey(FileName)) return;
  ReplaceBytes(&next_->FileName, FileName, std::strlen(FileName));
#ifdef _WIN32
  next_->WideKey = false;
#endif
  // A file that is no ZMK file or ends early still shows what was read.
  header_.LoadFromFile(next_->FileName);
  TakeHeader();
}

#ifdef _WIN32
bool TFileCache::IsKey(const wchar_t* FileName) {
  if (values_->WideKey) return values_->WideFileName == FileName;
  return FileNameToWide(values_->FileName.c_str(), &wide_) && wide_ == FileName;
}

void TFileCache::Refresh(const wchar_t* FileName) {
  if (FileName == nullptr) FileName = L"";
  if (IsKey(FileName)) return;
  TZMKRec& next = *next_;
  next.WideFileName.assign(FileName);
  next.WideKey = true;
  FileNameFromWide(next.WideFileName, &next.FileName);
  FileStream stream(next.FileName, File::Open(next.WideFileName));
  header_.LoadFromZMKStream(stream);
  TakeHeader();
}
#endif

void TFileCache::TakeHeader() {
  TZMKRec& next = *next_;
  RUIDToStr(header_.RUID, &next.RUIDText);
  CommaText(header_.DependsOn, &next.DependsOnText);
  next.Name = header_.Name;
  next.Comment = header_.Comment;
  next.Modified = header_.Modified;
  next.Version = header_.Version;
  next.IsFinal = header_.IsFinal;
  next.MinExeVersion = header_.MinExeVersion;
  next.MinDBVersion = header_.MinDBVersion;
  std::swap(values_, next_);
}

}  // namespace zmk
