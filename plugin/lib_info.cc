#include "plugin/lib_info.h"

#include <cstring>
#include <utility>

#include "header/bytes.h"
#include "header/dependency_list.h"
#include "header/ruid.h"
#include "header/setting_header.h"

namespace zmk {

TZMKRec FileCache;
Mutex FileCacheMutex;

namespace {

// Kept from file to file, so that once their strings have grown to the
// sizes the files need, reading a file allocates nothing. Whatever may fail
// (the open, the reads, an allocation) happens here; FileCache then takes
// the values by moves, which cannot fail, so it never holds half a file.
TZMKHeader Header;
std::string NextFileName;
std::string NextRUIDText;
std::string NextDependsOnText;

}  // namespace

void Refresh(std::string_view FileName) {
  if (FileName == FileCache.FileName) return;
  LoadFileInfo(FileName);
}

void Refresh(const char* FileName) {
  if (FileName == nullptr) FileName = "";
  // One pass over the name: the key never holds a NUL.
  if (std::strcmp(FileName, FileCache.FileName.c_str()) == 0) return;
  LoadFileInfo(FileName);
}

void LoadFileInfo(std::string_view FileName) {
  ReplaceBytes(&NextFileName, FileName.data(), FileName.size());
  Header.Clear();
  // A file that is no ZMK file or ends early still shows what was read.
  Header.LoadFromFile(NextFileName);
  RUIDToStr(Header.RUID, &NextRUIDText);
  CommaText(Header.DependsOn, &NextDependsOnText);

  // Moves, which cannot fail: from here on the cache takes the new values
  // whole. libstdc++ hands the old values' buffers back to the header and
  // the Next strings, where they serve the next file.
  FileCache.RUIDText = std::move(NextRUIDText);
  FileCache.Name = std::move(Header.Name);
  FileCache.Comment = std::move(Header.Comment);
  FileCache.Modified = Header.Modified;
  FileCache.Version = Header.Version;
  FileCache.IsFinal = Header.IsFinal;
  FileCache.DependsOnText = std::move(NextDependsOnText);
  FileCache.MinExeVersion = std::move(Header.MinExeVersion);
  FileCache.MinDBVersion = std::move(Header.MinDBVersion);
  FileCache.FileName = std::move(NextFileName);
}

}  // namespace zmk
