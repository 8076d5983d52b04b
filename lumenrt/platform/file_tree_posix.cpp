// The file tree on POSIX systems: openat/fdopendir/unlinkat on directory handles; statx tells mounts
// apart.
#include <cerrno>
#include <cstdint>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "lumenrt/platform/file_tree.h"
#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {

constexpr int kOpenDirectory = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Where an open directory lies: its identity and the mount it belongs to.
struct Location {
  DirectoryId id;
  std::uint64_t mount = 0;  // the mount id, when the system tells it
  bool knowsMount = false;
  bool mountRoot = false;  // the directory is the root of a mount (a bind mount's root included)
};

bool Locate(int fd, Location* where) {
  struct statx sx {};
  if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | STATX_MNT_ID, &sx) == 0) {
    where->id = {makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino};
    where->knowsMount = (sx.stx_mask & STATX_MNT_ID) != 0;
    where->mount = sx.stx_mnt_id;
    where->mountRoot = (sx.stx_attributes_mask & sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return true;
  }
  if (errno != ENOSYS) return false;
  // A system without statx tells file systems apart by device number alone.
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  where->id = {st.st_dev, st.st_ino};
  return true;
}

class PosixDirectory final : public Directory {
 public:
  // Takes ownership of fd (an open directory).
  static std::unique_ptr<PosixDirectory> Adopt(int fd) {
    Location where;
    if (!Locate(fd, &where)) {
      close(fd);
      return nullptr;
    }
    DIR* listing = fdopendir(fd);
    if (listing == nullptr) {
      close(fd);
      return nullptr;
    }
    return std::unique_ptr<PosixDirectory>(new PosixDirectory(listing, where));
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
    std::unique_ptr<PosixDirectory> sub = Adopt(fd);
    // A mount point is not entered. Opening it reached the root of what is mounted there, which
    // belongs to another mount: the device number alone would miss a bind mount of a directory of
    // the same file system.
    if (sub == nullptr || !SameMount(*sub)) return nullptr;
    return sub;
  }

  std::unique_ptr<Directory> OpenParent() override {
    const int fd = openat(dirfd(listing_), "..", kOpenDirectory);
    if (fd < 0) return nullptr;
    return Adopt(fd);
  }

  DirectoryId Id() const override { return where_.id; }

  bool AllowRemoval() override {
    struct stat st;
    if (fstat(dirfd(listing_), &st) != 0) return false;
    constexpr mode_t kNeeded = S_IWUSR | S_IXUSR;
    if ((st.st_mode & kNeeded) == kNeeded) return true;
    return fchmod(dirfd(listing_), (st.st_mode & 07777) | kNeeded) == 0;
  }

  bool Remove(const std::string& name, EntryKind kind) override {
    int error = 0;
    return RemoveTellingWhy(name, kind, &error);
  }

  bool RemoveTellingWhy(const std::string& name, EntryKind kind, int* error) override {
    *error = 0;
    if (unlinkat(dirfd(listing_), name.c_str(), kind == EntryKind::kDirectory ? AT_REMOVEDIR : 0) == 0 ||
        errno == ENOENT)  // already gone
      return true;
    *error = errno;
    return false;
  }

 private:
  PosixDirectory(DIR* listing, const Location& where) : listing_(listing), where_(where) {}

  // True when `sub`, a subdirectory of this directory, lies in the same mount.
  bool SameMount(const PosixDirectory& sub) const {
    if (sub.where_.mountRoot || sub.where_.id.device != where_.id.device) return false;
    return !(sub.where_.knowsMount && where_.knowsMount) || sub.where_.mount == where_.mount;
  }

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
  Location where_;
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
    int error = 0;
    return RemoveDirectoryTellingWhy(path, &error);
  }

  bool RemoveDirectoryTellingWhy(const char* path, int* error) override {
    *error = 0;
    if (unlinkat(AT_FDCWD, path, AT_REMOVEDIR) == 0 || errno == ENOENT) return true;
    *error = errno;
    return false;
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
