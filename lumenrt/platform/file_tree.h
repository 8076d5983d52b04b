// The platform's directory walking service, as used by RemoveTree: directories are opened as handles
// and their entries are listed, opened and removed relative to the handle, never by joining names
// into paths, so that an entry's name (whatever characters it holds) reaches only that entry.
//
// Contract of every implementation:
// - symbolic links (and other reparse points) are never followed: opening one as a directory fails,
//   and removing one removes the link;
// - opening never enters a mount point: neither another file system mounted inside the tree nor a
//   directory bind-mounted there from the same file system (told apart by mount identity, not by
//   device number);
// - nothing here reports or raises; failures are answered with null or false.
// On Windows links, junctions and volume mount points are all reparse points: none is entered, and
// removing one removes the link through a handle to the link itself, or fails.
//
// The process uses one FileTree, the system's unless a test substitutes its own (for example one
// that makes chosen removals fail). Substitution is not thread-safe: tests do it while nothing else
// walks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lumenrt/platform/export.h"

namespace lumenrt::platform {

enum class EntryKind {
  kDirectory,  // a real directory (not a link to one)
  kOther,      // a file, a symbolic link, a device or anything else removed as a single entry
};

struct LUMENRT_EXPORT DirectoryEntry {
  std::string name;
  EntryKind kind = EntryKind::kOther;
};

// Identifies a directory while it exists: the same directory opened again answers the same id.
struct LUMENRT_EXPORT DirectoryId {
  std::uint64_t device = 0;
  std::uint64_t node = 0;
  friend bool operator==(const DirectoryId&, const DirectoryId&) = default;
};

// An open directory. Destroying it closes it (each one holds one system handle).
class LUMENRT_EXPORT Directory {
 public:
  virtual ~Directory() = default;

  // The next entry other than "." and "..", in the system's order. False at the end of the listing
  // or when listing fails.
  virtual bool Next(DirectoryEntry* entry) = 0;

  // Opens the subdirectory `name` of this directory; null when it is no directory (a link to one
  // included), is a mount point, or cannot be opened even after granting its owner access.
  virtual std::unique_ptr<Directory> OpenSubdirectory(const std::string& name) = 0;

  // Opens the directory that holds this one; null when that fails. Its listing starts afresh. The
  // caller compares its Id with the one it expects: a directory moved meanwhile has another parent.
  virtual std::unique_ptr<Directory> OpenParent() = 0;

  // This directory's identity.
  virtual DirectoryId Id() const = 0;

  // Makes the entries of this directory removable (grants its owner write access to it); false when
  // that could not be done. Removal may still succeed (for example for a privileged user).
  virtual bool AllowRemoval() = 0;

  // Removes one entry: an empty directory when `kind` is kDirectory, else the single entry. True when
  // the entry is gone afterwards.
  virtual bool Remove(const std::string& name, EntryKind kind) = 0;

  // Remove, telling why it failed: when it answers false, *error is the system's code (an errno value
  // on every system), or 0 when there is none to tell. The system's trees tell; a substitute that only
  // overrides Remove tells none.
  virtual bool RemoveTellingWhy(const std::string& name, EntryKind kind, int* error) {
    *error = 0;
    return Remove(name, kind);
  }
};

class LUMENRT_EXPORT FileTree {
 public:
  virtual ~FileTree() = default;

  // Opens the directory at `path` (relative paths start at the current directory); null when there is
  // none, the last component is a link, or it cannot be listed.
  virtual std::unique_ptr<Directory> OpenDirectory(const char* path) = 0;

  // Removes the empty directory at `path` (not following a link in its last component).
  virtual bool RemoveDirectory(const char* path) = 0;

  // RemoveDirectory, telling why it failed as Directory::RemoveTellingWhy does.
  virtual bool RemoveDirectoryTellingWhy(const char* path, int* error) {
    *error = 0;
    return RemoveDirectory(path);
  }
};

// The system's file tree.
LUMENRT_EXPORT FileTree& SystemFileTree();

// The file tree in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT FileTree& CurrentFileTree();

// Sets the file tree in use (null restores the system's); returns the previous substitute. The caller
// keeps ownership and keeps the substitute alive while it is in use.
LUMENRT_EXPORT FileTree* SubstituteFileTree(FileTree* tree);

}  // namespace lumenrt::platform
