// lumenrt rmtree: removing a directory tree.
//
// The tool guards what the library call does not: it refuses "/", "." and ".." and any path whose
// last component is "." or ".." (the walk would empty a directory it cannot then remove, or one the
// user did not name), and a symbolic link given as DIR, which the library leaves alone without a
// word. Afterwards it looks: whatever it was asked to remove and is still there (a directory it could
// not list, say) makes the exit code 1. The error names the first entry that could not be removed and
// the system's reason, as the library tells them.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#ifdef _WIN32
#include <system_error>

#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

#include "lumenrt/system/remove_tree.h"

#include "command.h"
#include "records.h"

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

// What a path names, the path itself (a link is not followed).
enum class Found { nothing, link, directory, other };

#ifdef _WIN32
std::string LastErrorText() { return std::system_category().message(static_cast<int>(GetLastError())); }

// A reparse point (a link, a junction, a mount point) counts as a link.
bool Look(const std::string& path, Found& found, std::string& error) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      found = Found::nothing;
      return true;
    }
    error = LastErrorText();
    return false;
  }
  found = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Found::link
          : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? Found::directory
                                                           : Found::other;
  return true;
}

// Whether the directory can be listed and holds no entry; `error` says why not.
bool ListsEmpty(const std::string& dir, std::string& error) {
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    error = LastErrorText();
    return false;
  }
  bool empty = true;
  do {
    if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) empty = false;
  } while (empty && FindNextFileA(find, &entry));
  FindClose(find);
  if (!empty) error = "it is not empty";
  return empty;
}
#else
bool Look(const std::string& path, Found& found, std::string& error) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) {
      found = Found::nothing;
      return true;
    }
    error = std::strerror(errno);
    return false;
  }
  found = S_ISLNK(status.st_mode) ? Found::link : S_ISDIR(status.st_mode) ? Found::directory : Found::other;
  return true;
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
#endif

int RunRmtree(const RmtreeRequest& r) {
  if (r.dir.empty()) return Fail(kExitUsage, "DIR must not be empty");
  const std::string path = Trimmed(r.dir);
  if (Refused(path))
    return Fail(kExitUsage, "will not remove '" + r.dir + "' (the root, or a path ending in . or ..)");
  Found before = Found::nothing;
  std::string why;
  if (!Look(path, before, why)) return Fail(kExitNone, "cannot reach '" + r.dir + "': " + why);
  if (before == Found::nothing) return kExitOk;  // nothing to remove
  if (before == Found::link)
    return Fail(kExitNone, "'" + r.dir + "' is a symbolic link; nothing removed (name the directory itself)");
  if (before != Found::directory)
    return Fail(kExitNone, "'" + r.dir + "' is not a directory; nothing removed");

  RemoveTreeFailure failure;
  if (RemoveTreeTellingWhy(path.c_str(), r.contentsOnly ? 1 : 0, &failure) != 1) {
    const std::string reason = failure.error != 0
                                   ? std::strerror(failure.error)
                                   : "it moved or could not be reopened while the tree was removed";
    return Fail(kExitNone, "could not remove '" + failure.entry + "': " + reason);
  }
  // The library also answers 1 for a directory it could not list: look at what is left.
  Found after = Found::other;
  if (r.contentsOnly ? ListsEmpty(path, why) : Look(path, after, why) && after == Found::nothing)
    return kExitOk;
  if (!r.contentsOnly) why = "it is still there";
  return Fail(kExitNone, "could not remove everything under " + r.dir + (why.empty() ? "" : ": " + why));
}

const Registration kRmtree{[](CLI::App& tool) {
  auto r = std::make_shared<RmtreeRequest>();
  CLI::App* rmtree =
      AddCommand(tool, "rmtree",
                 "remove DIR with everything in it (links are removed, never followed); with "
                 "--contents-only keep DIR, emptied. DIR may not be /, or end in . or .. (exit 2), nor a "
                 "link (exit 1); exit 1 naming the first entry left and why when anything is left",
                 [r] { return RunRmtree(*r); });
  rmtree->add_flag("--contents-only", r->contentsOnly, "empty DIR but keep it");
  rmtree->add_option("DIR", r->dir, "the directory")->required();
  AddExamples(*rmtree, {"lumenrt rmtree /tmp/job-scratch", "lumenrt rmtree --contents-only /var/tmp/agent"});
}};

}  // namespace
}  // namespace lumenrt::tool
