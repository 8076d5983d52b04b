// lumenrt rmtree: removing a directory tree.
//
// The tool guards what the library call does not: it refuses "/", "." and ".." and any path whose
// last component is "." or ".." (the walk would empty a directory it cannot then remove, or one the
// user did not name), and a symbolic link given as DIR, which the library leaves alone without a
// word. Afterwards it looks: whatever it was asked to remove and is still there (a directory it could
// not list, say) makes the exit code 1.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <dirent.h>
#include <sys/stat.h>

#include "lumenrt/system/remove_tree.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

struct RmtreeRequest {
  std::string dir;
  bool contentsOnly = false;
};

// The path without trailing slashes ("/" for a path of slashes only).
std::string Trimmed(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool Refused(const std::string& trimmed) {
  if (trimmed == "/") return true;
  const auto slash = trimmed.rfind('/');
  const std::string last = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  return last == "." || last == "..";
}

// Whether the directory can be listed and holds no entry; `error` says why not.
bool ListsEmpty(const std::string& dir, std::string& error) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  bool empty = true;
  while (const dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  closedir(d);
  if (!empty) error = "it is not empty";
  return empty;
}

int RunRmtree(const RmtreeRequest& r) {
  if (r.dir.empty()) return Fail(kExitUsage, "DIR must not be empty");
  const std::string path = Trimmed(r.dir);
  if (Refused(path))
    return Fail(kExitUsage, "will not remove '" + r.dir + "' (the root, or a path ending in . or ..)");
  struct stat before {};
  if (lstat(path.c_str(), &before) != 0) {
    if (errno == ENOENT) return kExitOk;  // nothing to remove
    return Fail(kExitNone, "cannot reach '" + r.dir + "': " + std::strerror(errno));
  }
  if (S_ISLNK(before.st_mode))
    return Fail(kExitNone, "'" + r.dir + "' is a symbolic link; nothing removed (name the directory itself)");
  if (!S_ISDIR(before.st_mode)) return Fail(kExitNone, "'" + r.dir + "' is not a directory; nothing removed");

  const bool removed = RemoveTree(path.c_str(), r.contentsOnly ? 1 : 0) == 1;
  // The library also answers 1 for a directory it could not list: look at what is left.
  std::string why;
  if (r.contentsOnly ? ListsEmpty(path, why) : lstat(path.c_str(), &before) != 0 && errno == ENOENT) {
    if (removed) return kExitOk;
  } else if (!r.contentsOnly) {
    why = "it is still there";
  }
  return Fail(kExitNone, "could not remove everything under " + r.dir + (why.empty() ? "" : ": " + why));
}

const Registration kRmtree{[](CLI::App& tool) {
  auto r = std::make_shared<RmtreeRequest>();
  CLI::App* rmtree =
      AddCommand(tool, "rmtree",
                 "remove DIR with everything in it (links are removed, never followed); with "
                 "--contents-only keep DIR, emptied. DIR may not be a link, /, or end in . or ..; "
                 "exit 1 when anything is left",
                 [r] { return RunRmtree(*r); });
  rmtree->add_flag("--contents-only", r->contentsOnly, "empty DIR but keep it");
  rmtree->add_option("DIR", r->dir, "the directory")->required();
}};

}  // namespace
}  // namespace lumenrt::tool
