// The walk of a delivery on POSIX: through directory descriptors, so that
// no path the system must resolve grows with the depth (a package deeper
// than PATH_MAX is read like any other), and with one directory open at a
// time, so that descriptors and memory do not grow with it either.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "tools/zmkinfo/check.h"

namespace zmk {

namespace {

using Id = std::pair<dev_t, ino_t>;

// O_NONBLOCK: a FIFO named like a package must not hang the walk.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

std::string Join(const std::string& dir, const char* name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

class Walker {
 public:
  explicit Walker(std::vector<PackageFile>* files) : files_(files) {}

  void Operand(const std::string& path) {
    const int fd = ::open(path.c_str(), kOpenFlags);
    if (fd < 0) return Fail(path, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      const int error = errno;
      ::close(fd);
      return Fail(path, error);
    }
    if (!S_ISDIR(st.st_mode)) return ReadOnce(path, fd, st);
    if (!dirs_seen_.insert({st.st_dev, st.st_ino}).second) {
      ::close(fd);  // given twice, or under a folder given before
      return;
    }
    found_ = 0;
    Tree(path, fd, {st.st_dev, st.st_ino});
    if (found_ == 0) files_->push_back(NoPackages(path));
  }

 private:
  // A directory being walked: the subdirectories still to enter.
  struct Level {
    Id id;
    std::size_t path_length;
    std::vector<std::string> subdirs;
  };

  void Fail(const std::string& path, int error) {
    files_->push_back(Unreadable(path, SystemErrorText(static_cast<unsigned long>(error))));
  }

  // Reads the file open at `fd` unless it has been read already; closes fd.
  void ReadOnce(const std::string& path, int fd, const struct stat& st) {
    if (S_ISDIR(st.st_mode) || !files_seen_.insert({st.st_dev, st.st_ino}).second) {
      ::close(fd);  // a link to a folder, or a file read before
      return;
    }
    files_->push_back(ReadPackage(path, File::Adopt(fd)));
  }

  // Reads the packages of the directory open at `fd` and lists its
  // subdirectories; `fd` stays open.
  Level List(const std::string& path, int fd, Id id) {
    Level level{id, path.size(), {}};
    const int listed = ::dup(fd);
    DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (dir == nullptr) {
      const int error = errno;
      if (listed >= 0) ::close(listed);
      Fail(path, error);
      return level;
    }
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir);
      if (entry == nullptr) {
        if (errno != 0) Fail(path, errno);
        break;
      }
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
          type = DT_DIR;
        }
      }
      if (type == DT_DIR) {
        level.subdirs.emplace_back(name);
      } else if (IsZMKName(name)) {
        ++found_;
        const std::string file = Join(path, name);
        const int file_fd = ::openat(fd, name, kOpenFlags);  // links to files are followed
        struct stat st;
        if (file_fd < 0) {
          Fail(file, errno);
        } else if (::fstat(file_fd, &st) != 0) {
          const int error = errno;
          ::close(file_fd);
          Fail(file, error);
        } else {
          ReadOnce(file, file_fd, st);
        }
      }
    }
    ::closedir(dir);
    return level;
  }

  // Depth first, holding one directory descriptor: a subdirectory is
  // opened from its parent, and the parent again through "..", checked to
  // be the directory it was.
  void Tree(std::string path, int fd, Id root) {
    std::vector<Level> stack;
    stack.push_back(List(path, fd, root));
    while (!stack.empty()) {
      Level& top = stack.back();
      if (top.subdirs.empty()) {
        stack.pop_back();
        if (stack.empty()) break;
        const int up = ::openat(fd, "..", kOpenFlags | O_DIRECTORY);
        ::close(fd);
        fd = up;
        struct stat st;
        path.resize(stack.back().path_length);
        if (up < 0 || ::fstat(up, &st) != 0 || Id{st.st_dev, st.st_ino} != stack.back().id) {
          // Moved while it was walked: what is left of it cannot be reached.
          for (const Level& level : stack) {
            for (const std::string& name : level.subdirs) {
              files_->push_back(Unreadable(Join(path.substr(0, level.path_length), name.c_str()),
                                           "the folder above it moved during the walk"));
            }
          }
          stack.clear();
          break;
        }
        continue;
      }
      const std::string name = std::move(top.subdirs.back());
      top.subdirs.pop_back();
      const std::string child = Join(path, name.c_str());
      const int child_fd = ::openat(fd, name.c_str(), kOpenFlags | O_DIRECTORY | O_NOFOLLOW);
      struct stat st;
      if (child_fd < 0 || ::fstat(child_fd, &st) != 0) {
        Fail(child, errno);
        if (child_fd >= 0) ::close(child_fd);
        continue;
      }
      if (!dirs_seen_.insert({st.st_dev, st.st_ino}).second) {
        ::close(child_fd);
        continue;
      }
      ::close(fd);
      fd = child_fd;
      path = child;
      stack.push_back(List(path, fd, {st.st_dev, st.st_ino}));
    }
    if (fd >= 0) ::close(fd);
  }

  std::vector<PackageFile>* files_;
  std::set<Id> files_seen_, dirs_seen_;
  std::size_t found_ = 0;  // names of packages met under the operand
};

}  // namespace

std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths) {
  std::vector<PackageFile> files;
  Walker walker(&files);
  for (const std::string& path : paths) walker.Operand(path);
  return files;
}

}  // namespace zmk
