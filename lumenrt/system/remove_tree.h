// RemoveTree: deletes a directory's contents depth-first and, unless told to keep it, the directory.
//
// `path` names a directory (relative paths start at the current directory). Entries are reached
// through directory handles of the platform's file tree, never by building paths from their names, so
// a name such as "a:..", "x:y" or one holding backslashes reaches only that entry. Symbolic links are
// removed as links (a link to a directory included) and never followed; the walk does not enter a
// mount point inside the tree (another file system, or a directory bind-mounted there), whose removal
// then fails. Entries made read-only are removed too: before a directory is emptied its owner is
// granted write access to it. The walk does not recurse and holds at most 17 directories open,
// whatever the depth of the tree. A symbolic link given as `path` is not
// followed; it counts as no directory.
//
// Answers 1 when everything asked for was removed, or there was nothing to do (empty path, no such
// directory, a directory that cannot be listed); 0 when a removal failed. The first failed removal
// ends the walk at its level; a subdirectory that could not be emptied then fails its own removal,
// which ends the walk of its parent. Entries already removed stay removed. Nothing is reported.
//
// Thread safety: the walk itself keeps no state; the tree must not be changed by others meanwhile
// for the result to be meaningful (a concurrent change cannot make the walk leave the tree).
#pragma once

#include <string>

#include "lumenrt/platform/export.h"

// contentsOnly non-zero keeps the directory itself, emptied.
LUMENRT_EXPORT int RemoveTree(const char* path, int contentsOnly);

namespace lumenrt {

// What stopped a RemoveTree walk: the first entry that could not be removed, for a caller that has
// to say what was left and why.
struct LUMENRT_EXPORT RemoveTreeFailure {
  // The entry: `path` as given, then the names below it, each after a '/' ("tree/sub/file"); the
  // directory itself when its own removal failed.
  std::string entry;
  // The system's code for the failure (an errno value on every system), or 0 when there is none:
  // a directory of the walk moved meanwhile (`entry` names it), or a substituted file tree that
  // tells no reasons.
  int error = 0;
};

// RemoveTree, the same walk with the same answer; when it answers 0 and `failure` is not null,
// *failure says what stopped it.
LUMENRT_EXPORT int RemoveTreeTellingWhy(const char* path, int contentsOnly, RemoveTreeFailure* failure);

}  // namespace lumenrt
