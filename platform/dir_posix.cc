#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dir.h"
#include "platform/error.h"

namespace zmk {

namespace {

// O_NONBLOCK: a FIFO put in the place of a file once it was inspected must
// not hang the walk.
constexpr int kFileFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr int kFolderFlags = O_RDONLY | O_CLOEXEC | O_DIRECTORY;
// Folder descriptors kept on the way down; a folder whose descriptor was
// given up is found again from the deepest one kept, never through "..",
// which needs search permission in a folder the walk has left.
constexpr std::size_t kKept = 32;

NodeId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

NodeKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return NodeKind::kFile;
  if (S_ISDIR(mode)) return NodeKind::kFolder;
  if (S_ISCHR(mode)) return NodeKind::kCharDevice;
  if (S_ISBLK(mode)) return NodeKind::kBlockDevice;
  if (S_ISFIFO(mode)) return NodeKind::kFifo;
  if (S_ISSOCK(mode)) return NodeKind::kSocket;
  return NodeKind::kOther;
}

std::string ErrorText(int error) { return SystemErrorText(static_cast<unsigned long>(error)); }

// A folder opened for listing and known to be searchable: "." resolves only
// in a folder that may be searched, so one that can be listed but not
// entered is refused here, before any of its entries is. -1 and errno on
// failure.
int OpenFolder(int at, const char* name, int flags, struct stat* st) {
  const int fd = ::openat(at, name, kFolderFlags | flags);
  if (fd < 0) return -1;
  const int probe = ::openat(fd, ".", kFolderFlags);
  if (probe < 0 || ::fstat(fd, st) != 0) {
    const int error = errno;
    if (probe >= 0) ::close(probe);
    ::close(fd);
    errno = error;
    return -1;
  }
  ::close(probe);
  return fd;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct DirCursor::State {
  struct Level {
    std::string name;  // in the level above; the path given for the first
    NodeId id;
    int fd;  // -1 once given up
  };
  std::vector<Level> levels;  // from the folder started in to the current one
  std::size_t kept = 0;

  ~State() { Clear(); }

  int at() const { return levels.empty() ? AT_FDCWD : levels.back().fd; }

  void Clear() {
    for (const Level& level : levels) {
      if (level.fd >= 0) ::close(level.fd);
    }
    levels.clear();
    kept = 0;
  }

  // Keeps `fd` as a level's, giving up the one nearest the start (the
  // start's own aside) when the bound is reached.
  void Keep(Level* level, int fd) {
    if (kept == kKept) {
      for (std::size_t i = 1; i < levels.size(); ++i) {
        if (levels[i].fd < 0) continue;
        ::close(levels[i].fd);
        levels[i].fd = -1;
        --kept;
        break;
      }
    }
    level->fd = fd;
    ++kept;
  }

  // Opens the current level again from the deepest one kept, each step
  // checked to be the folder it was.
  bool Reopen() {
    std::size_t k = levels.size() - 1;
    while (levels[k].fd < 0) --k;  // the start's is always kept
    for (std::size_t j = k + 1; j < levels.size(); ++j) {
      struct stat st;
      const int fd = OpenFolder(levels[j - 1].fd, levels[j].name.c_str(), O_NOFOLLOW, &st);
      if (fd < 0) return false;
      if (!(IdOf(st) == levels[j].id)) {
        ::close(fd);
        return false;
      }
      Keep(&levels[j], fd);
    }
    return true;
  }
};

DirCursor::DirCursor() : state_(new State) {}
DirCursor::~DirCursor() = default;

void DirCursor::Reset() { state_->Clear(); }

bool DirCursor::Start(const std::string& path, std::string* error) {
  Reset();
  struct stat st;
  const int fd = OpenFolder(AT_FDCWD, path.c_str(), 0, &st);
  if (fd < 0) {
    *error = ErrorText(errno);
    return false;
  }
  state_->levels.push_back({path, IdOf(st), -1});
  state_->Keep(&state_->levels.back(), fd);
  return true;
}

bool DirCursor::List(const std::function<void(const std::string& name, bool folder)>& each,
                     std::string* error) {
  const int at = state_->at();
  const int listed = ::dup(at);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(listed < 0 ? nullptr : ::fdopendir(listed), ::closedir);
  if (dir == nullptr) {
    *error = ErrorText(errno);
    if (listed >= 0) ::close(listed);
    return false;
  }
  ::rewinddir(dir.get());  // the copy shares its position
  std::string name;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) break;
    const char* n = entry->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    unsigned char type = entry->d_type;
    struct stat st;
    if (type == DT_UNKNOWN && ::fstatat(at, n, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(st.st_mode)) {
      type = DT_DIR;
    }
    name = n;
    each(name, type == DT_DIR);
  }
  if (errno == 0) return true;
  *error = ErrorText(errno);
  return false;
}

bool DirCursor::Inspect(const std::string& name, Node* node, std::string* error) {
  struct stat st;
  if (::fstatat(state_->at(), name.c_str(), &st, 0) != 0) {
    *error = ErrorText(errno);
    return false;
  }
  *node = {KindOf(st.st_mode), IdOf(st)};
  return true;
}

bool DirCursor::Open(const std::string& name, const NodeId& id, std::optional<File>* file,
                     std::string* error) {
  const int fd = ::openat(state_->at(), name.c_str(), kFileFlags);
  if (fd < 0) {
    *error = ErrorText(errno);
    return false;
  }
  file->emplace(File::Adopt(fd));
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    *error = ErrorText(errno);
  } else if (!S_ISREG(st.st_mode) || !(IdOf(st) == id)) {
    error->clear();
  } else {
    return true;
  }
  file->reset();
  return false;
}

bool DirCursor::Enter(const std::string& name, NodeId* id, std::string* error) {
  struct stat st;
  const int fd = OpenFolder(state_->at(), name.c_str(), O_NOFOLLOW, &st);
  if (fd < 0) {
    *error = ErrorText(errno);
    return false;
  }
  *id = IdOf(st);
  state_->levels.push_back({name, *id, -1});
  state_->Keep(&state_->levels.back(), fd);
  return true;
}

bool DirCursor::Leave() {
  State& s = *state_;
  if (!s.levels.empty() && s.levels.back().fd >= 0) {
    ::close(s.levels.back().fd);
    --s.kept;
  }
  if (!s.levels.empty()) s.levels.pop_back();
  if (!s.levels.empty() && (s.levels.back().fd >= 0 || s.Reopen())) return true;
  Reset();
  return false;
}

}  // namespace zmk
