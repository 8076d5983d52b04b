// The lock that serialises the writers of one file across processes without a system call while
// nobody else wants it: a robust, process-shared mutex in a small shared-memory object named after
// the file's device and inode, beside a count of the times it was released, so that a holder can tell
// whether anyone else held it since it last let go (and only then look at the file again).
//
// - A holder killed while it held the lock leaves it to the next taker, who is told that someone
//   else held it.
// - Every process that has the object open holds a shared flock on it; the last one to go (when it
//   closes the file, or at its end) takes it exclusively and removes the name, so the object lives
//   only while some process uses the file; a process killed last leaves it to the next user. A
//   process that opened the name just as it was removed notices and starts again.
// - The users are processes, each counted through a descriptor it opened itself: a child forked
//   from a user inherits the parent's descriptor and so its flock, which proves nothing about the
//   child. The inherited copy is not the child's: its end never removes the name, and a child that
//   wants the lock makes its own (OwnedByThisProcess tells which is which).
// - Only regular files have one.
// - The object gets the file's permission bits: whoever may write the file may take its lock.
//
// When no object can be made or set up (no shared memory, no permission, an object left half set up
// by a killed process), ForFile answers null and the caller locks some other way.
//
// One object serves one thread at a time; a thread that holds the lock must not take it again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lumenrt::platform::posix {

struct SharedLockRecord;

class SharedFileLock {
 public:
  // The lock of the open file fd; null when none can be had.
  static std::unique_ptr<SharedFileLock> ForFile(int fd);
  ~SharedFileLock();
  SharedFileLock(const SharedFileLock&) = delete;
  SharedFileLock& operator=(const SharedFileLock&) = delete;

  // Waits for the lock; false when it can no longer be taken (its state is beyond repair). Then
  // *othersSince tells whether another holder came in since this object last released it (always
  // true at the first acquisition and after a holder died holding it).
  bool Acquire(bool* othersSince);
  void Release();
  // False in a child forked from the process that made this object: the child must make its own.
  bool OwnedByThisProcess() const;

 private:
  SharedFileLock(int descriptor, SharedLockRecord* record, std::string name);
  void RemoveNameIfLast();
  static void RemoveUnusedNames();

  int descriptor_;
  SharedLockRecord* record_;
  std::string name_;
  std::uint64_t generation_;  // the process's fork count when it was made
  std::uint64_t lastReleases_ = 0;
  bool known_ = false;
  bool nameRemoved_ = false;
};

// How many forks lie between the first call in the process's line and this process (counted in the
// child of each fork, so that asking costs no system call): what was made at another count was made
// by an ancestor, and its descriptors are shared with it.
std::uint64_t ForkGeneration();

// flock(descriptor, operation), again while a signal interrupts it; false on any other failure.
bool FlockRetrying(int descriptor, int operation);

}  // namespace lumenrt::platform::posix
