// The walk of a delivery, depth first without recursion, through a cursor
// that stands in one folder at a time (platform/dir.h): descriptors and
// memory do not grow with the depth beyond the names on the way down.
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/dir.h"
#include "tools/zmkinfo/check.h"

namespace zmk {

namespace {

const char* KindText(NodeKind kind) {
  switch (kind) {
    case NodeKind::kCharDevice: return "a character device";
    case NodeKind::kBlockDevice: return "a block device";
    case NodeKind::kFifo: return "a FIFO";
    case NodeKind::kSocket: return "a socket";
    default: return "neither a file nor a folder";
  }
}

class Walker {
 public:
  explicit Walker(std::vector<PackageFile>* files) : files_(files) {}

  void Operand(const std::string& path) {
    cursor_.Reset();
    Node node;
    std::string error;
    if (!cursor_.Inspect(path, &node, &error)) return Fail(path, error);
    if (node.kind != NodeKind::kFolder) return ReadOnce(path, path, node);
    if (!dirs_seen_.insert(node.id).second) return;  // given twice, or under a folder given before
    if (!cursor_.Start(path, &error)) return Fail(path, error);  // and nothing more
    found_ = pending_ = 0;
    failed_ = false;
    Tree(path);
    if (found_ == 0 && !failed_) files_->push_back(NoPackages(path));
  }

 private:
  // A folder being walked: the subfolders still to enter.
  struct Level {
    std::size_t path_length;
    std::vector<std::string> subdirs;
  };

  void Fail(const std::string& path, const std::string& error) {
    files_->push_back(Unreadable(path, error));
  }

  // A folder not read may hold packages: the operand is then not said to
  // hold none.
  void FailFolder(const std::string& path, const std::string& error) {
    Fail(path, error);
    failed_ = true;
  }

  // Reads a regular file unless it was read already; anything else that is
  // not a folder is reported without being opened.
  void ReadOnce(const std::string& path, const std::string& name, const Node& node) {
    if (node.kind == NodeKind::kFolder) return;  // a link to a folder
    if (node.kind != NodeKind::kFile) {
      return Fail(path, std::string("not a regular file: ") + KindText(node.kind));
    }
    if (!files_seen_.insert(node.id).second) return;
    std::optional<File> file;
    std::string error;
    if (!cursor_.Open(name, node.id, &file, &error)) {
      return Fail(path, error.empty() ? "the file was replaced during the walk" : error);
    }
    files_->push_back(ReadPackage(path, std::move(*file)));
  }

  // Reads the packages of the folder the cursor stands in and lists its
  // subfolders.
  Level List(const std::string& path) {
    Level level{path.size(), {}};
    std::string error;
    const bool listed = cursor_.List(
        [&](const std::string& name, bool folder) {
          if (folder) return level.subdirs.push_back(name);
          if (!IsZMKName(name.c_str())) return;
          ++found_;
          const std::string file = JoinPath(path, name);
          Node node;
          std::string why;
          if (!cursor_.Inspect(name, &node, &why)) return Fail(file, why);
          ReadOnce(file, name, node);
        },
        &error);
    if (!listed) FailFolder(path, error);
    pending_ += level.subdirs.size();
    return level;
  }

  void Tree(std::string path) {
    std::vector<Level> stack;
    stack.push_back(List(path));
    while (!stack.empty()) {
      Level& top = stack.back();
      if (top.subdirs.empty()) {
        stack.pop_back();
        if (pending_ == 0) break;  // no need to climb back
        path.resize(stack.back().path_length);
        if (!cursor_.Leave()) return Lost(stack, path);
        continue;
      }
      const std::string name = std::move(top.subdirs.back());
      top.subdirs.pop_back();
      --pending_;
      const std::string child = JoinPath(path, name);
      NodeId id;
      std::string error;
      if (!cursor_.Enter(name, &id, &error)) {
        FailFolder(child, error);
        continue;
      }
      if (!dirs_seen_.insert(id).second) {
        if (!cursor_.Leave()) return Lost(stack, path);
        continue;
      }
      path = child;
      stack.push_back(List(path));
    }
  }

  // The folder above moved while it was walked: what is left of it cannot
  // be reached.
  void Lost(const std::vector<Level>& stack, const std::string& path) {
    for (const Level& level : stack) {
      for (const std::string& name : level.subdirs) {
        Fail(JoinPath(path.substr(0, level.path_length), name),
             "the folder above it moved during the walk");
      }
    }
  }

  std::vector<PackageFile>* files_;
  DirCursor cursor_;
  std::set<NodeId> files_seen_, dirs_seen_;
  std::size_t found_ = 0;  // names of packages met under the operand
  bool failed_ = false;    // a folder under the operand could not be read
  std::size_t pending_ = 0;  // subfolders listed and not yet entered
};

}  // namespace

std::vector<PackageFile> CollectPackages(const std::vector<std::string>& paths) {
  std::vector<PackageFile> files;
  Walker walker(&files);
  for (const std::string& path : paths) walker.Operand(path);
  return files;
}

}  // namespace zmk
