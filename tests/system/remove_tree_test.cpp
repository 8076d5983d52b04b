#include "lumenrt/system/remove_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lumenrt/platform/file_tree.h"

#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using lumenrt::platform::Directory;
using lumenrt::platform::DirectoryEntry;
using lumenrt::platform::EntryKind;
using lumenrt::platform::FileTree;

void WriteFile(const fs::path& p, const std::string& text = "x") { std::ofstream(p) << text; }

// A scratch directory holding the tree under test ("tree") and things beside it that must survive.
class RemoveTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    base_ = scratch_.path();
    tree_ = base_ / "tree";
    fs::create_directories(tree_);
    fs::create_directories(base_ / "outside" / "deep");
    WriteFile(base_ / "outside" / "keep.txt");
    WriteFile(base_ / "outside" / "deep" / "keep.txt");
    WriteFile(base_ / "beside.txt");
  }
  void ExpectOutsideIntact() {
    EXPECT_TRUE(fs::exists(base_ / "outside" / "keep.txt"));
    EXPECT_TRUE(fs::exists(base_ / "outside" / "deep" / "keep.txt"));
    EXPECT_TRUE(fs::exists(base_ / "beside.txt"));
  }

  lumenrt::test::ScratchDir scratch_{"lumenrt-rmtree"};
  fs::path base_, tree_;
};

TEST_F(RemoveTreeTest, RemovesEverythingInsideAndNothingOutside) {
  // Names that a path parser could take for a parent, another device or another directory.
  fs::create_directories(tree_ / "a" / "b" / "c" / "d");
  WriteFile(tree_ / "a" / "b" / "c" / "d" / "f.txt");
  for (const char* name :
       {"a:..", "x:y", "...", "..\\..\\outside", "back\\slash", "new\nline", "\ttab", "C:\\outside", "*.*"})
    WriteFile(tree_ / name);
  fs::create_directories(tree_ / "d:.." / "..\\x");
  WriteFile(tree_ / "d:.." / "..\\x" / "..\\..\\..\\beside.txt");
  // Links out of the tree, to its parent, to itself, and dangling.
  fs::create_directory_symlink(base_ / "outside", tree_ / "link-to-outside");
  fs::create_directory_symlink("../outside", tree_ / "a" / "relative-link");
  fs::create_symlink(base_ / "outside" / "keep.txt", tree_ / "file-link");
  fs::create_directory_symlink(base_, tree_ / "link-to-parent");
  fs::create_symlink("nowhere", tree_ / "dangling");
  // Read-only files and directories.
  fs::create_directories(tree_ / "ro-dir" / "inner");
  WriteFile(tree_ / "ro-dir" / "inner" / "ro.txt");
  fs::permissions(tree_ / "ro-dir" / "inner" / "ro.txt", fs::perms::owner_read);
  fs::permissions(tree_ / "ro-dir" / "inner", fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(tree_ / "ro-dir", fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(tree_, fs::perms::owner_read | fs::perms::owner_exec);

  EXPECT_EQ(RemoveTree(tree_.c_str(), 0), 1);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree_)));
  ExpectOutsideIntact();
}

TEST_F(RemoveTreeTest, ContentsOnlyKeepsTheDirectoryEmpty) {
  fs::create_directories(tree_ / "sub" / "sub");
  WriteFile(tree_ / "sub" / "f");
  WriteFile(tree_ / "g");
  EXPECT_EQ(RemoveTree(tree_.c_str(), 1), 1);
  EXPECT_TRUE(fs::is_directory(tree_));
  EXPECT_TRUE(fs::is_empty(tree_));
}

TEST_F(RemoveTreeTest, NothingToDoGivesOne) {
  EXPECT_EQ(RemoveTree("", 0), 1);
  EXPECT_EQ(RemoveTree(nullptr, 0), 1);
  EXPECT_EQ(RemoveTree((base_ / "missing").c_str(), 0), 1);
  // A file, or a link to a directory, is no directory to walk: left alone.
  EXPECT_EQ(RemoveTree((base_ / "beside.txt").c_str(), 0), 1);
  fs::create_directory_symlink(base_ / "outside", base_ / "link");
  EXPECT_EQ(RemoveTree((base_ / "link").c_str(), 0), 1);
  EXPECT_EQ(RemoveTree(((base_ / "link").string() + "//").c_str(), 0), 1)
      << "a trailing slash follows no link";
  EXPECT_TRUE(fs::is_symlink(base_ / "link"));
  ExpectOutsideIntact();
}

TEST_F(RemoveTreeTest, RelativePathsStartAtTheCurrentDirectory) {
  fs::create_directories(base_ / "work" / "tree" / "x");
  WriteFile(base_ / "work" / "tree" / "x" / "f");
  WriteFile(tree_ / "same-name-one-level-up");
  const fs::path before = fs::current_path();
  fs::current_path(base_ / "work");
  const int result = RemoveTree("tree", 0);
  fs::current_path(before);
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(fs::exists(base_ / "work" / "tree"));
  EXPECT_TRUE(fs::exists(tree_ / "same-name-one-level-up"));
  ExpectOutsideIntact();
}

// Read-only entries are removed for their owner even without privileges. When the suite runs as
// root (which permissions do not stop), the tree is built and removed by a child running as nobody.
TEST_F(RemoveTreeTest, ReadOnlyEntriesGoForAnUnprivilegedOwner) {
  auto buildAndRemove = [](const fs::path& root) -> int {
    std::error_code ec;
    fs::create_directories(root / "ro" / "locked", ec);
    WriteFile(root / "ro" / "locked" / "f");
    WriteFile(root / "ro" / "g");
    fs::permissions(root / "ro" / "g", fs::perms::none, ec);
    fs::permissions(root / "ro" / "locked", fs::perms::none, ec);  // not even listable
    fs::permissions(root / "ro", fs::perms::owner_read | fs::perms::owner_exec, ec);
    fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec, ec);
    if (ec) return 3;
    if (RemoveTree(root.c_str(), 1) != 1) return 1;
    return fs::is_directory(root) && fs::is_empty(root) ? 0 : 2;
  };
  if (geteuid() != 0) {
    fs::create_directories(tree_ / "own");
    EXPECT_EQ(buildAndRemove(tree_ / "own"), 0);
    return;
  }
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no unprivileged user to run as";
  ASSERT_EQ(chown(base_.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(4);
    _exit(buildAndRemove(base_ / "own"));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: removal failed, 2: left entries, 3: set-up, 4: setuid";
}

// The system's file tree, except that removing entries of a chosen name fails; every removal is
// recorded.
class FailingTree : public FileTree {
 public:
  struct Removal {
    std::string name;
    bool directory;
    bool ok;
  };
  explicit FailingTree(std::string stuck) : stuck_(std::move(stuck)) {}

  std::unique_ptr<Directory> OpenDirectory(const char* path) override {
    return Wrap(lumenrt::platform::SystemFileTree().OpenDirectory(path));
  }
  bool RemoveDirectory(const char* path) override {
    removals.push_back({path, true, lumenrt::platform::SystemFileTree().RemoveDirectory(path)});
    return removals.back().ok;
  }

  std::vector<Removal> removals;
  std::string parentOverride;  // when set, every parent reopened is this directory instead

 private:
  class Wrapped : public Directory {
   public:
    Wrapped(FailingTree* owner, std::unique_ptr<Directory> inner) : owner_(owner), inner_(std::move(inner)) {}
    bool Next(DirectoryEntry* entry) override { return inner_->Next(entry); }
    std::unique_ptr<Directory> OpenSubdirectory(const std::string& name) override {
      return owner_->Wrap(inner_->OpenSubdirectory(name));
    }
    std::unique_ptr<Directory> OpenParent() override {
      if (!owner_->parentOverride.empty())
        return owner_->Wrap(
            lumenrt::platform::SystemFileTree().OpenDirectory(owner_->parentOverride.c_str()));
      return owner_->Wrap(inner_->OpenParent());
    }
    lumenrt::platform::DirectoryId Id() const override { return inner_->Id(); }
    bool AllowRemoval() override { return inner_->AllowRemoval(); }
    bool Remove(const std::string& name, EntryKind kind) override {
      bool ok = name != owner_->stuck_ && inner_->Remove(name, kind);
      owner_->removals.push_back({name, kind == EntryKind::kDirectory, ok});
      return ok;
    }

   private:
    FailingTree* owner_;
    std::unique_ptr<Directory> inner_;
  };
  std::unique_ptr<Directory> Wrap(std::unique_ptr<Directory> inner) {
    if (!inner) return nullptr;
    return std::make_unique<Wrapped>(this, std::move(inner));
  }
  std::string stuck_;
};

TEST_F(RemoveTreeTest, AFailedRemovalStopsTheWalkAndKeepsTheDirectory) {
  fs::create_directories(tree_ / "sub" / "deeper");
  WriteFile(tree_ / "sub" / "deeper" / "stuck");
  for (int i = 0; i < 5; ++i) {
    WriteFile(tree_ / "sub" / "deeper" / ("f" + std::to_string(i)));
    WriteFile(tree_ / ("g" + std::to_string(i)));
  }
  for (int contentsOnly : {0, 1}) {
    FailingTree failing("stuck");
    lumenrt::platform::SubstituteFileTree(&failing);
    const int result = RemoveTree(tree_.c_str(), contentsOnly);
    lumenrt::platform::SubstituteFileTree(nullptr);

    EXPECT_EQ(result, 0);
    EXPECT_TRUE(fs::exists(tree_ / "sub" / "deeper" / "stuck"));
    // After the failure the walk only tries the directories that hold it, each failing, and stops.
    std::vector<std::string> after;
    bool failed = false;
    for (const auto& r : failing.removals) {
      if (failed) {
        after.push_back(r.name + (r.ok ? " removed" : " failed"));
      } else if (!r.ok) {
        failed = true;
        EXPECT_EQ(r.name, "stuck");
      }
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(after, (std::vector<std::string>{"deeper failed", "sub failed"})) << contentsOnly;
  }
  ExpectOutsideIntact();
}

// The first failure is named (not the directories above it that then fail too): the path as given, a
// trailing slash dropped, then the names below it; a substitute that only fails tells no system code.
TEST_F(RemoveTreeTest, TellsTheFirstEntryThatCouldNotBeRemoved) {
  fs::create_directories(tree_ / "sub" / "deeper");
  WriteFile(tree_ / "sub" / "deeper" / "stuck");
  FailingTree failing("stuck");
  lumenrt::platform::SubstituteFileTree(&failing);
  lumenrt::RemoveTreeFailure failure{"unset", -1};
  const int result = lumenrt::RemoveTreeTellingWhy((tree_.string() + "/").c_str(), 0, &failure);
  lumenrt::platform::SubstituteFileTree(nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(failure.entry, (tree_ / "sub" / "deeper" / "stuck").string());
  EXPECT_EQ(failure.error, 0);
}

// Builds `depth` nested directories "d" below `root` through directory handles (the paths outgrow
// PATH_MAX), with a file at the bottom.
bool BuildDeepTree(const fs::path& root, int depth) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < depth && fd >= 0; ++i) {
    const int made = mkdirat(fd, "d", 0755);
    const int next = made == 0 ? openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    close(fd);
    fd = next;
  }
  if (fd < 0) return false;
  const int file = openat(fd, "f", O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  if (file >= 0) close(file);
  close(fd);
  return file >= 0;
}

// A directory reopened on the way back up must be the one the walk left: were the tree moved
// meanwhile, the walk would climb into another directory. It stops there instead.
TEST_F(RemoveTreeTest, AMovedTreeStopsTheWalk) {
  ASSERT_TRUE(BuildDeepTree(tree_, 40));
  FailingTree moved("");
  moved.parentOverride = (base_ / "outside").string();
  lumenrt::platform::SubstituteFileTree(&moved);
  const int result = RemoveTree(tree_.c_str(), 0);
  lumenrt::platform::SubstituteFileTree(nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(fs::is_directory(tree_ / "d"));
  ExpectOutsideIntact();
}

// 100,000 levels, removed by a process limited to 256 open files on a thread with a 1 MiB stack.
TEST_F(RemoveTreeTest, ADeepTreeGoesWithASmallStackAndFewHandles) {
  constexpr int kDepth = 100000;
  // On a memory file system when there is one: a disk's journal makes 100,000 removals take minutes.
  fs::path deep = tree_;
  if (std::error_code ec; fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0) {
    std::string pattern = "/dev/shm/lumenrt-rmtree-deep-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) deep = pattern;
  }
  ASSERT_TRUE(BuildDeepTree(deep, kDepth));
  std::cout.flush();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit files{256, 256};
    if (setrlimit(RLIMIT_NOFILE, &files) != 0) _exit(4);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    if (pthread_attr_setstacksize(&attr, 1 << 20) != 0) _exit(4);
    static std::string path;
    path = deep.string();
    static int result = -1;
    pthread_t thread;
    if (pthread_create(
            &thread, &attr, [](void*) -> void* { return result = RemoveTree(path.c_str(), 0), nullptr; },
            nullptr) != 0)
      _exit(4);
    pthread_join(thread, nullptr);
    if (result != 1) _exit(1);
    _exit(fs::exists(fs::symlink_status(path)) ? 2 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "the walk crashed";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: removal failed, 2: tree left, 4: set-up";
  if (fs::exists(deep)) RemoveTree(deep.c_str(), 0);  // too deep for the fixture's clean-up
  ExpectOutsideIntact();
}

// A bind mount of a directory outside the tree (same file system, same device number) and a file
// system mounted inside the tree are left alone; their removal fails, so the result is 0. The mounts
// live in a private mount namespace of a child process and vanish with it.
TEST_F(RemoveTreeTest, MountPointsInsideTheTreeAreNotEntered) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root; not run as root";
  fs::create_directories(tree_ / "sub" / "bind");
  fs::create_directories(tree_ / "tmpfs");
  WriteFile(tree_ / "sub" / "f");
  std::cout.flush();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_PRIVATE | MS_REC, nullptr) != 0)
      _exit(77);
    if (mount((base_ / "outside").c_str(), (tree_ / "sub" / "bind").c_str(), nullptr, MS_BIND, nullptr) != 0)
      _exit(77);
    if (mount("lumenrt-test", (tree_ / "tmpfs").c_str(), "tmpfs", 0, "size=64k") != 0) _exit(77);
    WriteFile(tree_ / "tmpfs" / "on-tmpfs");
    if (RemoveTree(tree_.c_str(), 0) != 0) _exit(1);
    if (!fs::exists(tree_ / "sub" / "bind" / "keep.txt") || !fs::exists(tree_ / "sub" / "bind" / "deep"))
      _exit(2);
    _exit(fs::exists(tree_ / "tmpfs" / "on-tmpfs") ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no permission to make a mount namespace or mount";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: result not 0, 2: bind mount emptied, 3: tmpfs emptied";
  ExpectOutsideIntact();
}

}  // namespace
