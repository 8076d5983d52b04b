// The file service's lock between processes: a shared-memory lock named after the file, which tells a
// holder whether anyone else held it in between, survives a holder killed while holding it, and
// leaves nothing behind once its last user is gone.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lumenrt/platform/file_service.h"

#include "support/scratch_dir.h"

namespace {

using lumenrt::platform::FileHandle;
using lumenrt::platform::FileOpenMode;
using lumenrt::platform::FileService;
using lumenrt::platform::SystemFileService;

// The shared object of the file at path, as the service names it.
std::string SharedObjectOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  char name[96];
  std::snprintf(name, sizeof name, "/dev/shm/lumenrt-lock-%llx-%llx",
                static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino));
  return name;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

int WaitFor(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether the lock was taken, and whether the holder was told of others since its last release.
struct Taken {
  bool locked;
  bool othersSince;
};
Taken TakeAndRelease(FileService& files, FileHandle file) {
  bool others = false;
  const bool locked = files.LockNoticingOthers(file, &others);
  if (locked) files.Unlock(file);
  return {locked, others};
}

class FileLock : public ::testing::Test {
 protected:
  lumenrt::test::ScratchDir dir_{"lumenrt-lock"};
  std::string path_ = dir_.path() + "/Base-1.LOG";
  FileService& files_ = SystemFileService();
};

TEST_F(FileLock, TellsWhetherAnotherHolderCameInBetween) {
  FileHandle mine = files_.Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
  ASSERT_NE(mine, nullptr);
  Taken t = TakeAndRelease(files_, mine);
  EXPECT_TRUE(t.locked && t.othersSince) << "the first acquisition knows nothing of the others";
  t = TakeAndRelease(files_, mine);
  EXPECT_TRUE(t.locked && !t.othersSince);

  // Another process, and then another handle of this process.
  const pid_t child = fork();
  if (child == 0) {
    FileHandle theirs = SystemFileService().Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
    const Taken taken = theirs != nullptr ? TakeAndRelease(SystemFileService(), theirs) : Taken{false, false};
    _exit(taken.locked ? 0 : 1);
  }
  ASSERT_EQ(WaitFor(child), 0);
  t = TakeAndRelease(files_, mine);
  EXPECT_TRUE(t.locked && t.othersSince) << "after another process";
  FileHandle second = files_.Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
  ASSERT_TRUE(TakeAndRelease(files_, second).locked);
  t = TakeAndRelease(files_, mine);
  EXPECT_TRUE(t.locked && t.othersSince) << "after another handle";
  t = TakeAndRelease(files_, mine);
  EXPECT_TRUE(t.locked && !t.othersSince);
  files_.Close(second);
  files_.Close(mine);
}

TEST_F(FileLock, AHolderKilledWhileHoldingItLeavesItToTheNext) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    FileHandle theirs = SystemFileService().Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
    if (theirs == nullptr || !SystemFileService().Lock(theirs)) _exit(1);
    const char byte = 'x';
    if (write(ready[1], &byte, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  kill(child, SIGKILL);
  WaitFor(child);
  close(ready[0]);
  close(ready[1]);

  FileHandle mine = files_.Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
  ASSERT_NE(mine, nullptr);
  alarm(30);  // a lock never handed on would hang the test
  const Taken t = TakeAndRelease(files_, mine);
  alarm(0);
  EXPECT_TRUE(t.locked && t.othersSince);
  EXPECT_FALSE(TakeAndRelease(files_, mine).othersSince) << "the lock is sound again";
  files_.Close(mine);
  EXPECT_FALSE(Exists(SharedObjectOf(path_))) << "the last user removes what the killed one left";
}

TEST_F(FileLock, TheSharedObjectGoesWithItsLastUser) {
  FileHandle one = files_.Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
  FileHandle two = files_.Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
  ASSERT_TRUE(one != nullptr && two != nullptr);
  const std::string object = SharedObjectOf(path_);
  ASSERT_TRUE(TakeAndRelease(files_, one).locked);
  ASSERT_TRUE(TakeAndRelease(files_, two).locked);
  EXPECT_TRUE(Exists(object));
  files_.Close(one);
  EXPECT_TRUE(Exists(object)) << "still used by the other handle";
  files_.Close(two);
  EXPECT_FALSE(Exists(object));
}

// A child forked from a user inherits its descriptors, not its place among the users: however the
// child ends, the object stays while the parent uses it and the lock still excludes.
TEST_F(FileLock, AForkedChildIsAUserOnlyOfTheLockItTakes) {
  const struct {
    const char* name;
    bool takes;   // the child takes the lock through the inherited handle
    bool killed;  // the child is killed while it holds the lock; else it ends with exit()
  } cases[] = {{"never takes it", false, false},
               {"takes it and exits", true, false},
               {"killed holding it", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FileHandle mine = files_.Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
    ASSERT_NE(mine, nullptr);
    ASSERT_TRUE(TakeAndRelease(files_, mine).locked);
    const std::string object = SharedObjectOf(path_);
    ASSERT_TRUE(Exists(object));
    const pid_t child = fork();
    if (child == 0) {
      if (c.takes && !SystemFileService().Lock(mine)) _exit(1);
      if (c.killed) raise(SIGKILL);
      if (c.takes) SystemFileService().Unlock(mine);
      std::exit(0);  // ends as a host does: the process's clean-up runs
    }
    WaitFor(child);
    EXPECT_TRUE(Exists(object)) << "removed while the parent still uses it";
    alarm(30);
    Taken t = TakeAndRelease(files_, mine);
    alarm(0);
    EXPECT_TRUE(t.locked);
    EXPECT_EQ(t.othersSince, c.takes);
    // Another process still meets the parent at the same lock.
    const pid_t other = fork();
    if (other == 0) {
      FileHandle theirs = SystemFileService().Open(path_.c_str(), FileOpenMode::kAppend, nullptr);
      _exit(theirs != nullptr && TakeAndRelease(SystemFileService(), theirs).locked ? 0 : 1);
    }
    ASSERT_EQ(WaitFor(other), 0);
    t = TakeAndRelease(files_, mine);
    EXPECT_TRUE(t.locked && t.othersSince) << "the other process used another lock";
    files_.Close(mine);
    EXPECT_FALSE(Exists(object)) << "the parent was the last user";
  }
}

// Where the lock is flock on the file (here a FIFO, which has no shared object), a child that
// inherited the handle locks through a descriptor of its own: it excludes its parent.
TEST_F(FileLock, AForkedChildExcludesItsParentWithoutASharedObject) {
  const std::string fifo = dir_.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  FileHandle mine = files_.Open(fifo.c_str(), FileOpenMode::kAppend, nullptr);
  ASSERT_NE(mine, nullptr);
  ASSERT_TRUE(TakeAndRelease(files_, mine).locked);
  int held[2], released[2];
  ASSERT_EQ(pipe(held), 0);
  ASSERT_EQ(pipe(released), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (!SystemFileService().Lock(mine) || write(held[1], "h", 1) != 1) _exit(1);
    usleep(200000);
    if (write(released[1], "r", 1) != 1) _exit(1);
    SystemFileService().Unlock(mine);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(held[0], &byte, 1), 1);
  alarm(30);
  ASSERT_TRUE(files_.Lock(mine));
  alarm(0);
  fcntl(released[0], F_SETFL, O_NONBLOCK);
  EXPECT_EQ(read(released[0], &byte, 1), 1) << "the parent took the lock while the child held it";
  files_.Unlock(mine);
  EXPECT_EQ(WaitFor(child), 0);
  for (int fd : {held[0], held[1], released[0], released[1]}) close(fd);
  files_.Close(mine);
}

TEST_F(FileLock, OtherFilesThanRegularOnesLockWithoutASharedObject) {
  FileHandle device = files_.Open("/dev/null", FileOpenMode::kAppend, nullptr);
  ASSERT_NE(device, nullptr);
  for (int i = 0; i < 2; ++i) {
    const Taken t = TakeAndRelease(files_, device);
    EXPECT_TRUE(t.locked && t.othersSince) << "a lock that cannot tell always answers that others came";
  }
  EXPECT_FALSE(Exists(SharedObjectOf("/dev/null")));
  files_.Close(device);
}

}  // namespace
