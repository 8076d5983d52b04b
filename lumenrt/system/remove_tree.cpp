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

// The path of `name` in the directory at `depth` of the walk: the top's path, then the names below it.
std::string EntryPath(const std::string& top, const std::vector<Level>& levels, std::size_t depth,
                      const std::string& name) {
  std::string path = top;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (std::size_t i = 1; i <= depth; ++i) path += "/" + levels[i].name;
  return name.empty() ? path : path + "/" + name;
}

// Empties an open directory depth-first; 1 when every entry went, 0 when a removal failed. A level
// stops at its first failed removal; a subdirectory's own result is not used: one left non-empty
// fails its removal from the level above. The first failure is written to *failure (when not null);
// `path` is the top's path, for that.
int EmptyDirectory(std::unique_ptr<Directory> top, const char* path, RemoveTreeFailure* failure) {
  bool failed = false;
  // Records the first failure only: those after it are its consequences.
  const auto fail = [&](const std::vector<Level>& at, std::size_t depth, const std::string& name, int error) {
    if (failed || failure == nullptr) return;
    failed = true;
    failure->entry = EntryPath(path, at, depth, name);
    failure->error = error;
  };
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
      if (int error = 0; !level.directory->RemoveTellingWhy(entry.name, entry.kind, &error)) {
        level.stopped = true;
        fail(levels, levels.size() - 1, entry.name, error);
      }
      continue;
    }
    // The level is done, emptied or stopped.
    if (levels.size() == 1) return level.stopped ? 0 : 1;
    Level& parent = levels[levels.size() - 2];
    if (parent.directory == nullptr) {
      // Every entry the parent listed before is gone, so a fresh listing misses nothing.
      parent.directory = level.directory->OpenParent();
      // A directory of the walk moved elsewhere meanwhile: stop rather than leave the tree.
      if (parent.directory == nullptr || !(parent.directory->Id() == parent.id)) {
        fail(levels, levels.size() - 2, {}, 0);
        return 0;
      }
      firstOpen = levels.size() - 2;
    }
    const std::string name = std::move(level.name);
    levels.pop_back();
    if (int error = 0; !parent.directory->RemoveTellingWhy(name, EntryKind::kDirectory, &error)) {
      parent.stopped = true;
      fail(levels, levels.size() - 1, name, error);
    }
  }
}

}  // namespace
}  // namespace lumenrt

int RemoveTree(const char* path, int contentsOnly) {
  return lumenrt::RemoveTreeTellingWhy(path, contentsOnly, nullptr);
}

int lumenrt::RemoveTreeTellingWhy(const char* path, int contentsOnly, RemoveTreeFailure* failure) {
  if (path == nullptr || path[0] == '\0') return 1;
  platform::FileTree& tree = platform::CurrentFileTree();
  std::unique_ptr<platform::Directory> directory = tree.OpenDirectory(path);
  if (directory == nullptr) return 1;
  int result = EmptyDirectory(std::move(directory), path, failure);
  if (int error = 0; result == 1 && contentsOnly == 0 && !tree.RemoveDirectoryTellingWhy(path, &error)) {
    result = 0;
    if (failure != nullptr) *failure = {path, error};
  }
  return result;
}
