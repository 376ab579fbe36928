// The walk of a delivery on Windows, by wide names, so that a file is read
// whatever its name. Paths go to the system whole, in their "\\?\" form, so
// that depth is limited only by the system's 32,767 characters; one
// directory search is open at a time. Reparse points (junctions, links to
// folders) are not entered; links to files are followed. A file or folder
// reached twice is known by its volume's serial number and its file index.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/wide.h"
#include "tools/zmkinfo/check.h"

namespace zmk {

namespace {

using Id = std::tuple<DWORD, DWORD, DWORD>;  // volume serial, file index

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE h_;
};

class Search {
 public:
  explicit Search(HANDLE h) : h_(h) {}
  ~Search() {
    if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
  }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// The name as the system takes it at any length: absolute, "\\?\" before.
std::wstring SystemPath(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  std::wstring full;
  if (!FullPathWide(wide, &full)) return wide;
  if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '\\' || dir.back() == '/' ? dir + name : dir + "\\" + name;
}

// Opened for reading, shared as a POSIX open is; a folder opens too.
HANDLE OpenForReading(const std::wstring& system_path) {
  return ::CreateFileW(system_path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

class Walker {
 public:
  std::vector<PackageFile> Take() { return std::move(files_); }

  void Operand(const std::string& path) {
    const std::wstring system_path = SystemPath(path);
    Handle h(OpenForReading(system_path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !::GetFileInformationByHandle(h.get(), &info)) {
      return Fail(path, ::GetLastError());
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return ReadOnce(path, &h, info);
    if (!dirs_seen_.insert(IdOf(info)).second) return;  // given twice, or under one before
    found_ = 0;
    Tree(path, system_path);
    if (found_ == 0) files_.push_back(NoPackages(path));
  }

 private:
  struct Folder {
    std::string path;          // as shown
    std::wstring system_path;  // as opened
  };

  static Id IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  }

  void Fail(const std::string& path, DWORD error) {
    files_.push_back(Unreadable(path, WideErrorText(error)));
  }

  // Reads the file open at `h` unless it has been read already.
  void ReadOnce(const std::string& path, Handle* h, const BY_HANDLE_FILE_INFORMATION& info) {
    if (!files_seen_.insert(IdOf(info)).second) return;
    // A console or a pipe would make the walk wait for input.
    if (::GetFileType(h->get()) != FILE_TYPE_DISK) return Fail(path, ERROR_INVALID_FUNCTION);
    files_.push_back(ReadPackage(path, File::Adopt(reinterpret_cast<std::intptr_t>(h->release()))));
  }

  void Entry(const Folder& folder, const WIN32_FIND_DATAW& data, std::vector<Folder>* subdirs) {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) return;
    const bool folder_entry = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder_entry && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
    const std::string utf8_name = WideToUtf8(name);
    if (!folder_entry && !IsZMKName(utf8_name.c_str())) return;
    const std::string path = Join(folder.path, utf8_name);
    const std::wstring system_path = folder.system_path + L"\\" + name;
    if (folder_entry) {
      subdirs->push_back({path, system_path});
      return;
    }
    ++found_;
    Handle h(OpenForReading(system_path));  // links to files are followed
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !::GetFileInformationByHandle(h.get(), &info)) {
      return Fail(path, ::GetLastError());
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;  // a link to a folder
    ReadOnce(path, &h, info);
  }

  // Depth first, without recursion; each folder's search is closed before
  // its subfolders are entered.
  void Tree(const std::string& path, const std::wstring& system_path) {
    std::vector<Folder> stack{{path, system_path}};
    while (!stack.empty()) {
      const Folder folder = std::move(stack.back());
      stack.pop_back();
      std::vector<Folder> subdirs;
      WIN32_FIND_DATAW data;
      Search search(::FindFirstFileExW((folder.system_path + L"\\*").c_str(), FindExInfoBasic,
                                       &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
      if (search.get() == INVALID_HANDLE_VALUE) {
        Fail(folder.path, ::GetLastError());
        continue;
      }
      do {
        Entry(folder, data, &subdirs);
      } while (::FindNextFileW(search.get(), &data));
      if (::GetLastError() != ERROR_NO_MORE_FILES) Fail(folder.path, ::GetLastError());
      for (auto it = subdirs.rbegin(); it != subdirs.rend(); ++it) {
        if (Seen(*it)) continue;
        stack.push_back(std::move(*it));
      }
    }
  }

  // Whether a folder was walked before (reached again by another way);
  // one that cannot be opened is reported and not walked.
  bool Seen(const Folder& folder) {
    Handle h(OpenForReading(folder.system_path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !::GetFileInformationByHandle(h.get(), &info)) {
      Fail(folder.path, ::GetLastError());
      return true;
    }
    return !dirs_seen_.insert(IdOf(info)).second;
  }

  std::vector<PackageFile> files_;
  std::set<Id> files_seen_, dirs_seen_;
  std::size_t found_ = 0;  // package names met under the operand
};

}  // namespace

std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths) {
  Walker walker;
  for (const std::string& path : paths) walker.Operand(path);
  return walker.Take();
}

}  // namespace zmk
