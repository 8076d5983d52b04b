#include "lumenrt/system/remove_tree.h"

#include "lumenrt/platform/file_tree.h"

namespace lumenrt {
namespace {

using platform::Directory;
using platform::DirectoryEntry;
using platform::EntryKind;

// Empties an open directory; 1 when every entry went, 0 at the first failed removal.
int EmptyDirectory(Directory& directory) {
  directory.AllowRemoval();  // if it fails, the removals below tell
  DirectoryEntry entry;
  while (directory.Next(&entry)) {
    if (entry.kind == EntryKind::kDirectory) {
      // Its own result is not used: a subdirectory left non-empty fails the removal below.
      if (std::unique_ptr<Directory> sub = directory.OpenSubdirectory(entry.name)) EmptyDirectory(*sub);
    }
    if (!directory.Remove(entry.name, entry.kind)) return 0;
  }
  return 1;
}

}  // namespace
}  // namespace lumenrt

int RemoveTree(const char* path, int contentsOnly) {
  if (path == nullptr || path[0] == '\0') return 1;
  lumenrt::platform::FileTree& tree = lumenrt::platform::CurrentFileTree();
  std::unique_ptr<lumenrt::platform::Directory> directory = tree.OpenDirectory(path);
  if (directory == nullptr) return 1;
  int result = lumenrt::EmptyDirectory(*directory);
  directory.reset();
  if (result == 1 && contentsOnly == 0 && !tree.RemoveDirectory(path)) result = 0;
  return result;
}
