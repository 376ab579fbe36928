// A folder tree as a walk sees it: a cursor that stands in one folder at a
// time, lists it, tells what a name leads to without opening it, opens its
// regular files and enters its subfolders. Names in and out are UTF-8 on
// Windows, bytes on POSIX.
//
// Depth costs no more than the names themselves: on POSIX the cursor goes
// by directory descriptors (a bounded number kept, never ".."), so that no
// path the system resolves grows with the depth; on Windows by whole
// "\\?\" paths, limited only by the system's 32,767 characters.
#ifndef ZMK_PLATFORM_DIR_H_
#define ZMK_PLATFORM_DIR_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/file.h"

namespace zmk {

// What a name leads to, links followed.
enum class NodeKind { kFile, kFolder, kCharDevice, kBlockDevice, kFifo, kSocket, kOther };

// A file or folder whoever names it: device and inode, or volume serial
// number and file index.
struct NodeId {
  std::uint64_t volume = 0, index = 0;
  bool operator<(const NodeId& o) const {
    return std::tie(volume, index) < std::tie(o.volume, o.index);
  }
  bool operator==(const NodeId& o) const { return volume == o.volume && index == o.index; }
};

struct Node {
  NodeKind kind = NodeKind::kOther;
  NodeId id;
};

// `name` under `folder` as the system shows such paths.
std::string JoinPath(const std::string& folder, const std::string& name);

class DirCursor {
 public:
  DirCursor();
  ~DirCursor();
  DirCursor(const DirCursor&) = delete;
  DirCursor& operator=(const DirCursor&) = delete;

  // Stands nowhere: names are then paths, from the working folder.
  void Reset();

  // Stands in folder `path` (links followed); false with the system's text
  // when it cannot be opened, entered or listed.
  bool Start(const std::string& path, std::string* error);

  // Each entry of the folder it stands in but "." and "..", with whether it
  // is a folder to enter (a link to a folder or a junction is not). False
  // with the system's text when the listing fails, maybe after some
  // entries. The callback may use Inspect and Open.
  bool List(const std::function<void(const std::string& name, bool folder)>& each,
            std::string* error);

  // What `name` leads to, links followed, without opening it: opening a
  // device can act on it (a tape rewinds), and a FIFO or a console can wait.
  bool Inspect(const std::string& name, Node* node, std::string* error);

  // Opens `name`, which Inspect found a regular file `id`, for reading;
  // false with the system's text when it cannot, or with none when it is
  // no longer that file.
  bool Open(const std::string& name, const NodeId& id, std::optional<File>* file,
            std::string* error);

  // Enters subfolder `name` (never through a link) and gives its identity;
  // false with the system's text when it cannot be opened, entered or
  // listed, and the cursor stays where it was.
  bool Enter(const std::string& name, NodeId* id, std::string* error);

  // Back to the folder it stood in before the last Enter. False when that
  // folder is no longer where it was; the cursor then stands nowhere.
  bool Leave();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zmk

#endif  // ZMK_PLATFORM_DIR_H_
