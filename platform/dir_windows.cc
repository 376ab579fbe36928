#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/dir.h"
#include "platform/wide.h"

namespace zmk {

namespace {

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

// Shared as a POSIX open is; a folder opens too. Links to files are
// followed.
HANDLE OpenPath(const std::wstring& path, DWORD access) {
  return ::CreateFileW(path.c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string LastErrorText() { return WideErrorText(::GetLastError()); }

NodeId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

// Opened to read its attributes only, which reads nothing from a device.
bool Identify(const std::wstring& path, Node* node, std::string* error) {
  Handle h(OpenPath(path, FILE_READ_ATTRIBUTES));
  if (!h.valid()) {
    *error = LastErrorText();
    return false;
  }
  switch (::GetFileType(h.get())) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_CHAR: *node = {NodeKind::kCharDevice, {}}; return true;
    case FILE_TYPE_PIPE: *node = {NodeKind::kFifo, {}}; return true;
    default: *node = {NodeKind::kOther, {}}; return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(h.get(), &info)) {
    *error = LastErrorText();
    return false;
  }
  const bool folder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  *node = {folder ? NodeKind::kFolder : NodeKind::kFile, IdOf(info)};
  return true;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder + name
                                                                          : folder + "\\" + name;
}

struct DirCursor::State {
  std::wstring current;              // the folder it stands in; empty: nowhere
  std::vector<std::size_t> lengths;  // of `current` before each Enter

  std::wstring PathOf(const std::string& name) const {
    return current.empty() ? SystemPath(name) : current + L"\\" + Utf8ToWide(name);
  }
};

DirCursor::DirCursor() : state_(new State) {}
DirCursor::~DirCursor() = default;

void DirCursor::Reset() { *state_ = State(); }

// A folder that cannot be listed shows it when List searches it.
bool DirCursor::Start(const std::string& path, std::string* error) {
  Reset();
  Node node;
  std::wstring system_path = SystemPath(path);
  if (!Identify(system_path, &node, error)) return false;
  state_->current = std::move(system_path);
  return true;
}

bool DirCursor::List(const std::function<void(const std::string& name, bool folder)>& each,
                     std::string* error) {
  WIN32_FIND_DATAW data;
  Search search(::FindFirstFileExW((state_->current + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (search.get() == INVALID_HANDLE_VALUE) {
    *error = LastErrorText();
    return false;
  }
  do {
    const wchar_t* n = data.cFileName;
    if (n[0] == L'.' && (n[1] == L'\0' || (n[1] == L'.' && n[2] == L'\0'))) continue;
    // Reparse points (junctions, links to folders) are not entered.
    const DWORD attributes = data.dwFileAttributes;
    each(WideToUtf8(n), (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT));
  } while (::FindNextFileW(search.get(), &data));
  if (::GetLastError() == ERROR_NO_MORE_FILES) return true;
  *error = LastErrorText();
  return false;
}

bool DirCursor::Inspect(const std::string& name, Node* node, std::string* error) {
  return Identify(state_->PathOf(name), node, error);
}

bool DirCursor::Open(const std::string& name, const NodeId& id, std::optional<File>* file,
                     std::string* error) {
  Handle h(OpenPath(state_->PathOf(name), GENERIC_READ));
  BY_HANDLE_FILE_INFORMATION info;
  if (!h.valid() || !::GetFileInformationByHandle(h.get(), &info)) {
    *error = LastErrorText();
    return false;
  }
  if (!IsDiskFile(reinterpret_cast<std::intptr_t>(h.get())) || !(IdOf(info) == id) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error->clear();
    return false;
  }
  file->emplace(File::Adopt(reinterpret_cast<std::intptr_t>(h.release())));
  return true;
}

bool DirCursor::Enter(const std::string& name, NodeId* id, std::string* error) {
  const std::wstring path = state_->PathOf(name);
  Node node;
  if (!Identify(path, &node, error)) return false;
  *id = node.id;
  state_->lengths.push_back(state_->current.size());
  state_->current = path;
  return true;
}

bool DirCursor::Leave() {
  if (state_->lengths.empty()) {
    Reset();
    return false;
  }
  state_->current.resize(state_->lengths.back());
  state_->lengths.pop_back();
  return true;
}

}  // namespace zmk
