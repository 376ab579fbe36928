#include "plugin/lib_info.h"

#include <cstring>
#include <utility>

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
// the values by swaps, which cannot fail, so it never holds half a file.
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
  NextFileName.assign(FileName.data(), FileName.size());
  Header.Clear();
  // A file that is no ZMK file or ends early still shows what was read.
  Header.LoadFromFile(NextFileName);
  RUIDToStr(Header.RUID, &NextRUIDText);
  CommaText(Header.DependsOn, &NextDependsOnText);

  // The old values' buffers go back to the header and serve the next file.
  FileCache.RUIDText.swap(NextRUIDText);
  FileCache.Name.swap(Header.Name);
  FileCache.Comment.swap(Header.Comment);
  FileCache.Modified = Header.Modified;
  FileCache.Version = Header.Version;
  FileCache.IsFinal = Header.IsFinal;
  FileCache.DependsOnText.swap(NextDependsOnText);
  FileCache.MinExeVersion.swap(Header.MinExeVersion);
  FileCache.MinDBVersion.swap(Header.MinDBVersion);
  FileCache.FileName.swap(NextFileName);
}

}  // namespace zmk
