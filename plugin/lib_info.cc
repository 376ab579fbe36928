#include "plugin/lib_info.h"

#include <utility>

#include "header/dependency_list.h"
#include "header/ruid.h"
#include "header/setting_header.h"

namespace zmk {

TZMKRec FileCache;
Mutex FileCacheMutex;

void Refresh(std::string_view FileName) {
  if (FileName == FileCache.FileName) return;
  LoadFileInfo(std::string(FileName));
}

void LoadFileInfo(std::string FileName) {
  TZMKHeader header;
  // A file that is no ZMK file or ends early still shows what was read.
  header.LoadFromFile(FileName);

  // Built aside and moved in whole, so the cache never holds half a file.
  TZMKRec rec;
  rec.RUIDText = RUIDToStr(header.RUID);
  rec.Name = std::move(header.Name);
  rec.Comment = std::move(header.Comment);
  rec.Modified = header.Modified;
  rec.Version = header.Version;
  rec.IsFinal = header.IsFinal;
  rec.DependsOnText = CommaText(header.DependsOn);
  rec.MinExeVersion = std::move(header.MinExeVersion);
  rec.MinDBVersion = std::move(header.MinDBVersion);
  rec.FileName = std::move(FileName);
  FileCache = std::move(rec);
}

}  // namespace zmk
