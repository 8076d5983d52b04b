#include "lumenrt/platform/internal/shared_file_lock_posix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace lumenrt::platform::posix {

struct SharedLockRecord {
  std::atomic<std::uint32_t> state;  // 0 fresh, kSettingUp, then kReady
  std::uint32_t unused;
  std::uint64_t releases;  // guarded by mutex
  pthread_mutex_t mutex;
};

namespace {

constexpr std::uint32_t kSettingUp = 1;
constexpr std::uint32_t kReady = 0x4C4B5231;
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

std::string NameFor(const struct stat& st) {
  char name[64];
  std::snprintf(name, sizeof name, "/lumenrt-lock-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return name;
}

bool SameObject(int descriptor, const std::string& name) {
  const int again = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
  if (again < 0) return false;
  struct stat a {
  }, b{};
  const bool same =
      fstat(descriptor, &a) == 0 && fstat(again, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  ::close(again);
  return same;
}

// Sets the mutex up when the record is fresh, or waits (up to about a second) for the process that
// is doing so. False when the record is not, or does not become, ready.
bool SetUp(SharedLockRecord* record) {
  std::uint32_t expected = 0;
  if (record->state.compare_exchange_strong(expected, kSettingUp, std::memory_order_acquire)) {
    pthread_mutexattr_t attributes;
    bool ok = pthread_mutexattr_init(&attributes) == 0;
    ok = ok && pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
         pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
         pthread_mutex_init(&record->mutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    record->releases = 0;
    // A record that could not be set up stays "being set up": every user then locks otherwise.
    if (ok) record->state.store(kReady, std::memory_order_release);
    return ok;
  }
  for (int wait = 0; expected == kSettingUp && wait < 1000; ++wait) {
    const timespec millisecond{0, 1000000};
    nanosleep(&millisecond, nullptr);
    expected = record->state.load(std::memory_order_acquire);
  }
  return expected == kReady;
}

// The locks alive in this process, so that the names of those no other process uses are removed when
// the process ends (the log keeps its lock file open to the end). Never destroyed.
struct LiveLocks {
  std::mutex mutex;
  std::vector<SharedFileLock*> locks;
};
LiveLocks& Live() {
  static auto* live = new LiveLocks;
  return *live;
}

std::atomic<std::uint64_t> g_forks{0};
void CountFork() { g_forks.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

std::uint64_t ForkGeneration() {
  static const bool counting = pthread_atfork(nullptr, nullptr, &CountFork) == 0;
  (void)counting;
  return g_forks.load(std::memory_order_relaxed);
}

bool FlockRetrying(int descriptor, int operation) {
  while (flock(descriptor, operation) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

std::unique_ptr<SharedFileLock> SharedFileLock::ForFile(int fd) {
  struct stat file {};
  if (fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) return nullptr;
  const std::string name = NameFor(file);
  // A few rounds at most: each one lost means another process removed the name in between.
  for (int round = 0; round < 8; ++round) {
    int descriptor = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
      // Created here: the file's permission bits, whatever the umask.
      fchmod(descriptor, file.st_mode & 0666);
    } else if (errno == EEXIST) {
      descriptor = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
      if (descriptor < 0 && errno == ENOENT) continue;
    }
    if (descriptor < 0) return nullptr;
    if (!FlockRetrying(descriptor, LOCK_SH)) {
      ::close(descriptor);
      return nullptr;
    }
    if (!SameObject(descriptor, name)) {
      ::close(descriptor);
      continue;
    }
    struct stat object {};
    if (fstat(descriptor, &object) != 0 || (object.st_size < static_cast<off_t>(sizeof(SharedLockRecord)) &&
                                            ftruncate(descriptor, sizeof(SharedLockRecord)) != 0)) {
      ::close(descriptor);
      return nullptr;
    }
    void* mapped = mmap(nullptr, sizeof(SharedLockRecord), PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (mapped == MAP_FAILED) {
      ::close(descriptor);
      return nullptr;
    }
    auto* record = static_cast<SharedLockRecord*>(mapped);
    if (!SetUp(record)) {
      munmap(mapped, sizeof(SharedLockRecord));
      ::close(descriptor);
      return nullptr;
    }
    auto* lock = new (std::nothrow) SharedFileLock(descriptor, record, name);
    if (lock == nullptr) {
      munmap(mapped, sizeof(SharedLockRecord));
      ::close(descriptor);
    }
    return std::unique_ptr<SharedFileLock>(lock);
  }
  return nullptr;
}

SharedFileLock::SharedFileLock(int descriptor, SharedLockRecord* record, std::string name)
    : descriptor_(descriptor), record_(record), name_(std::move(name)), generation_(ForkGeneration()) {
  static const bool atExit = std::atexit(&SharedFileLock::RemoveUnusedNames) == 0;
  (void)atExit;
  LiveLocks& live = Live();
  const std::lock_guard<std::mutex> hold(live.mutex);
  live.locks.push_back(this);
}

SharedFileLock::~SharedFileLock() {
  {
    LiveLocks& live = Live();
    const std::lock_guard<std::mutex> hold(live.mutex);
    live.locks.erase(std::remove(live.locks.begin(), live.locks.end(), this), live.locks.end());
    RemoveNameIfLast();
  }
  munmap(record_, sizeof(SharedLockRecord));
  ::close(descriptor_);
}

bool SharedFileLock::OwnedByThisProcess() const { return generation_ == ForkGeneration(); }

// The last user removes the name; anyone still holding their shared flock keeps it. The object itself
// stays usable through this process's mapping. A copy inherited through fork shares its flock with
// the parent's descriptor, so it tells nothing about the users and never removes the name.
void SharedFileLock::RemoveNameIfLast() {
  if (!nameRemoved_ && OwnedByThisProcess() && flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
    shm_unlink(name_.c_str());
    nameRemoved_ = true;
  }
}

void SharedFileLock::RemoveUnusedNames() {
  LiveLocks& live = Live();
  const std::lock_guard<std::mutex> hold(live.mutex);
  for (SharedFileLock* lock : live.locks) lock->RemoveNameIfLast();
}

bool SharedFileLock::Acquire(bool* othersSince) {
  const int rc = pthread_mutex_lock(&record_->mutex);
  if (rc == EOWNERDEAD) {
    // Its holder died holding it: whatever it was doing may be half done.
    if (pthread_mutex_consistent(&record_->mutex) != 0) return false;
    *othersSince = true;
    return true;
  }
  if (rc != 0) return false;
  *othersSince = !known_ || record_->releases != lastReleases_;
  return true;
}

void SharedFileLock::Release() {
  lastReleases_ = ++record_->releases;
  known_ = true;
  pthread_mutex_unlock(&record_->mutex);
}

}  // namespace lumenrt::platform::posix
