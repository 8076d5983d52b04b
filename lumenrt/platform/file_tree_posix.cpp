// The file tree on POSIX systems: openat/fdopendir/unlinkat on directory handles.
#include <cerrno>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lumenrt/platform/file_tree.h"
#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {

constexpr int kOpenDirectory = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

class PosixDirectory final : public Directory {
 public:
  // Takes ownership of fd (an open directory).
  static std::unique_ptr<Directory> Adopt(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
      close(fd);
      return nullptr;
    }
    DIR* listing = fdopendir(fd);
    if (listing == nullptr) {
      close(fd);
      return nullptr;
    }
    return std::unique_ptr<Directory>(new PosixDirectory(listing, st));
  }

  ~PosixDirectory() override { closedir(listing_); }

  bool Next(DirectoryEntry* entry) override {
    for (;;) {
      errno = 0;
      const dirent* d = readdir(listing_);
      if (d == nullptr) return false;
      const char* n = d->d_name;
      if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
      entry->name = n;
      entry->kind = KindOf(d);
      return true;
    }
  }

  std::unique_ptr<Directory> OpenSubdirectory(const std::string& name) override {
    int fd = openat(dirfd(listing_), name.c_str(), kOpenDirectory);
    if (fd < 0 && errno == EACCES) {
      // A directory its owner may not read or search: grant the owner access, without following a
      // link (the call fails for one), and try again.
      struct stat st;
      if (fstatat(dirfd(listing_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
          fchmodat(dirfd(listing_), name.c_str(), (st.st_mode & 07777) | S_IRWXU, AT_SYMLINK_NOFOLLOW) == 0)
        fd = openat(dirfd(listing_), name.c_str(), kOpenDirectory);
    }
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_dev != device_) {  // a mount point is not entered
      close(fd);
      return nullptr;
    }
    return Adopt(fd);
  }

  bool AllowRemoval() override {
    struct stat st;
    if (fstat(dirfd(listing_), &st) != 0) return false;
    constexpr mode_t kNeeded = S_IWUSR | S_IXUSR;
    if ((st.st_mode & kNeeded) == kNeeded) return true;
    return fchmod(dirfd(listing_), (st.st_mode & 07777) | kNeeded) == 0;
  }

  bool Remove(const std::string& name, EntryKind kind) override {
    if (unlinkat(dirfd(listing_), name.c_str(), kind == EntryKind::kDirectory ? AT_REMOVEDIR : 0) == 0)
      return true;
    return errno == ENOENT;  // already gone
  }

 private:
  PosixDirectory(DIR* listing, const struct stat& st) : listing_(listing), device_(st.st_dev) {}

  EntryKind KindOf(const dirent* d) const {
#ifdef _DIRENT_HAVE_D_TYPE
    if (d->d_type == DT_DIR) return EntryKind::kDirectory;
    if (d->d_type != DT_UNKNOWN) return EntryKind::kOther;
#endif
    struct stat st;
    if (fstatat(dirfd(listing_), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
      return EntryKind::kDirectory;
    return EntryKind::kOther;
  }

  DIR* listing_;
  dev_t device_;
};

class PosixFileTree final : public FileTree {
 public:
  std::unique_ptr<Directory> OpenDirectory(const char* path) override {
    // A trailing slash would make the system resolve a symbolic link named by the path; without it
    // O_NOFOLLOW refuses the link.
    std::string bare(path);
    while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
    int fd = open(bare.c_str(), kOpenDirectory);
    if (fd < 0) return nullptr;
    return PosixDirectory::Adopt(fd);
  }

  bool RemoveDirectory(const char* path) override {
    if (unlinkat(AT_FDCWD, path, AT_REMOVEDIR) == 0) return true;
    return errno == ENOENT;
  }
};

Substitution<FileTree> g_substitute;

}  // namespace

FileTree& SystemFileTree() {
  static PosixFileTree tree;
  return tree;
}

FileTree& CurrentFileTree() { return g_substitute.Current(SystemFileTree()); }

FileTree* SubstituteFileTree(FileTree* tree) { return g_substitute.Exchange(tree); }

}  // namespace lumenrt::platform
