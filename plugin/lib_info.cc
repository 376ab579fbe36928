#include "plugin/lib_info.h"

#include <cstring>
#include <utility>

#include "header/bytes.h"
#include "header/stream.h"
#include "platform/file.h"
#include "plugin/fields.h"

namespace zmk {

TFileCache FileCache;
Mutex FileCacheMutex;

void TFileCache::Refresh(const char* FileName) {
  if (FileName == nullptr) FileName = "";
  if (values_->Key.Matches(FileName)) return;
  TZMKRec& next = *next_;
  ReplaceBytes(&next.FileName, FileName, std::strlen(FileName));
  next.Key.Assign(FileName);
  // A file that is no ZMK file or ends early still shows what was read.
  header_.LoadFromFile(next.FileName);
  TakeHeader();
}

void TFileCache::RefreshNative(const NativeChar* FileName) {
  static constexpr NativeChar kEmpty[1] = {};
  if (FileName == nullptr) FileName = kEmpty;
  if (values_->Key.MatchesNative(FileName)) return;
  TZMKRec& next = *next_;
  next.Key.AssignNative(FileName);
  next.Key.ToAnsi(&next.FileName);
  FileStream stream(next.FileName, next.Key.Open());
  header_.LoadFromZMKStream(stream);
  TakeHeader();
}

void TFileCache::TakeHeader() {
  for (const FieldInfo& field : kFields) field.take(header_, next_);
  std::swap(values_, next_);
}

}  // namespace zmk
