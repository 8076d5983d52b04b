#include "lumenrt/system/remove_tree.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lumenrt/platform/file_tree.h"

namespace lumenrt {
namespace {

using platform::Directory;
using platform::DirectoryEntry;
using platform::DirectoryId;
using platform::EntryKind;

// Directories held open at once. The walk keeps its own list of levels instead of recursing, and
// closes the shallowest open level when it goes deeper; a closed level is reopened through its
// child's parent link when the walk climbs back, and must then be the same directory. So any depth
// is walked with a fixed number of handles and a fixed amount of stack.
constexpr std::size_t kOpenDirectories = 16;

struct Level {
  std::unique_ptr<Directory> directory;  // null while closed
  DirectoryId id;
  std::string name;      // its name in the level above; empty for the top
  bool stopped = false;  // a removal failed: the level is left as it is
};

// Empties an open directory depth-first; 1 when every entry went, 0 when a removal failed. A level
// stops at its first failed removal; a subdirectory's own result is not used: one left non-empty
// fails its removal from the level above.
int EmptyDirectory(std::unique_ptr<Directory> top) {
  std::vector<Level> levels;
  top->AllowRemoval();  // if it fails, the removals below tell
  const DirectoryId topId = top->Id();
  levels.push_back({std::move(top), topId, {}});
  std::size_t firstOpen = 0;  // the levels above it are closed
  DirectoryEntry entry;
  for (;;) {
    Level& level = levels.back();
    if (!level.stopped && level.directory->Next(&entry)) {
      if (entry.kind == EntryKind::kDirectory) {
        if (std::unique_ptr<Directory> sub = level.directory->OpenSubdirectory(entry.name)) {
          sub->AllowRemoval();
          const DirectoryId id = sub->Id();
          levels.push_back({std::move(sub), id, std::move(entry.name)});
          if (levels.size() - firstOpen > kOpenDirectories) levels[firstOpen++].directory.reset();
          continue;
        }
      }
      if (!level.directory->Remove(entry.name, entry.kind)) level.stopped = true;
      continue;
    }
    // The level is done, emptied or stopped.
    if (levels.size() == 1) return level.stopped ? 0 : 1;
    Level& parent = levels[levels.size() - 2];
    if (parent.directory == nullptr) {
      // Every entry the parent listed before is gone, so a fresh listing misses nothing.
      parent.directory = level.directory->OpenParent();
      // A directory of the walk moved elsewhere meanwhile: stop rather than leave the tree.
      if (parent.directory == nullptr || !(parent.directory->Id() == parent.id)) return 0;
      firstOpen = levels.size() - 2;
    }
    const std::string name = std::move(level.name);
    levels.pop_back();
    if (!parent.directory->Remove(name, EntryKind::kDirectory)) parent.stopped = true;
  }
}

}  // namespace
}  // namespace lumenrt

int RemoveTree(const char* path, int contentsOnly) {
  if (path == nullptr || path[0] == '\0') return 1;
  lumenrt::platform::FileTree& tree = lumenrt::platform::CurrentFileTree();
  std::unique_ptr<lumenrt::platform::Directory> directory = tree.OpenDirectory(path);
  if (directory == nullptr) return 1;
  int result = lumenrt::EmptyDirectory(std::move(directory));
  if (result == 1 && contentsOnly == 0 && !tree.RemoveDirectory(path)) result = 0;
  return result;
}
