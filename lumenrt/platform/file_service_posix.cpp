// The file service on POSIX systems: log files through C streams (buffered until flushed, as the
// standard output they stand in for), whole-file reads through open/read.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lumenrt/platform/file_service.h"
#include "lumenrt/platform/internal/shared_file_lock_posix.h"

namespace lumenrt::platform {

struct OpenFile {
  OpenFile(std::FILE* s, std::string p)
      : stream(s), path(std::move(p)), generation(posix::ForkGeneration()) {}
  ~OpenFile() {
    if (ownDescriptor >= 0) ::close(ownDescriptor);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  std::FILE* stream;
  std::string path;  // as opened
  // The lock state below belongs to the process at this fork count; a child that inherited the
  // handle starts its own.
  std::uint64_t generation;
  bool inherited = false;
  // The file's lock between processes, made at the first Lock; flock when none can be made.
  std::unique_ptr<posix::SharedFileLock> shared;
  bool sharedTried = false;
  // In a child: a descriptor of the file opened by the child itself, since a flock taken on the
  // inherited one would be shared with the parent.
  int ownDescriptor = -1;
  int flocked = -1;  // the descriptor holding the flock
  enum class Held { kNothing, kShared, kFlock } held = Held::kNothing;
};

namespace {

using posix::FlockRetrying;

// The descriptor to flock: the stream's own in the process that opened the file; in a child that
// inherited the handle, one it opens itself (when the path still names the same file).
int FlockDescriptor(OpenFile* file) {
  const int streamDescriptor = fileno(file->stream);
  if (!file->inherited || file->path.empty()) return streamDescriptor;
  if (file->ownDescriptor < 0) {
    const int own = ::open(file->path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat a {
    }, b{};
    if (own >= 0 && fstat(own, &a) == 0 && fstat(streamDescriptor, &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino) {
      file->ownDescriptor = own;
    } else if (own >= 0) {
      ::close(own);
    }
  }
  return file->ownDescriptor >= 0 ? file->ownDescriptor : streamDescriptor;
}

class PosixFileService final : public FileService {
 public:
  FileHandle Open(const char* path, FileOpenMode mode, int* error) override {
    // Emptied files are written at their end too: another process appending to the same file
    // must not have its lines overwritten from a stale offset.
    std::FILE* stream = nullptr;
    if (path != nullptr && mode == FileOpenMode::kTruncate) {
      const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
      if (fd >= 0) {
        stream = fdopen(fd, "a");
        if (stream == nullptr) {
          const int saved = errno;
          ::close(fd);
          errno = saved;
        }
      }
    } else if (path != nullptr) {
      stream = std::fopen(path, "a+e");
    }
    if (stream == nullptr) {
      if (error != nullptr) *error = path != nullptr ? errno : EINVAL;
      return nullptr;
    }
    OpenFile* file = nullptr;
    try {
      file = new OpenFile(stream, path);
    } catch (const std::bad_alloc&) {
    }
    if (file == nullptr) {
      std::fclose(stream);
      if (error != nullptr) *error = ENOMEM;
    }
    return file;
  }

  FileHandle StandardOutput() override {
    static OpenFile out(stdout, "");
    return &out;
  }

  std::size_t Write(FileHandle file, const void* data, std::size_t size) override {
    if (file == nullptr || size == 0) return 0;
    return std::fwrite(data, 1, size, file->stream);
  }

  bool Flush(FileHandle file) override { return file != nullptr && std::fflush(file->stream) == 0; }

  std::int64_t Size(FileHandle file) override {
    if (file == nullptr) return -1;
    std::fflush(file->stream);
    struct stat st {};
    if (fstat(fileno(file->stream), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
  }

  std::int64_t StoredSize(FileHandle file) override {
    if (file == nullptr) return -1;
    struct stat st {};
    if (fstat(fileno(file->stream), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
  }

  bool Lock(FileHandle file) override {
    bool ignored = false;
    return LockNoticingOthers(file, &ignored);
  }

  // The shared-memory lock first; flock when it cannot be had. flock, not fcntl record locks: those
  // belong to the process and vanish when any descriptor of the file is closed, which the log does
  // when it reopens a file it also holds for locking.
  bool LockNoticingOthers(FileHandle file, bool* othersSince) override {
    *othersSince = true;
    if (file == nullptr || file->held != OpenFile::Held::kNothing) return false;
    if (file->generation != posix::ForkGeneration()) {
      // Inherited through fork: this process becomes a user of its own.
      file->shared.reset();
      file->sharedTried = false;
      if (file->ownDescriptor >= 0) ::close(file->ownDescriptor);
      file->ownDescriptor = -1;
      file->generation = posix::ForkGeneration();
      file->inherited = true;
    }
    if (!file->sharedTried) {
      file->sharedTried = true;
      file->shared = posix::SharedFileLock::ForFile(fileno(file->stream));
    }
    if (file->shared != nullptr && file->shared->Acquire(othersSince)) {
      file->held = OpenFile::Held::kShared;
      return true;
    }
    *othersSince = true;
    const int descriptor = FlockDescriptor(file);
    if (!FlockRetrying(descriptor, LOCK_EX)) return false;
    file->flocked = descriptor;
    file->held = OpenFile::Held::kFlock;
    return true;
  }

  void Unlock(FileHandle file) override {
    if (file == nullptr) return;
    if (file->held == OpenFile::Held::kShared) file->shared->Release();
    if (file->held == OpenFile::Held::kFlock) flock(file->flocked, LOCK_UN);
    file->held = OpenFile::Held::kNothing;
  }

  bool Truncate(FileHandle file, std::int64_t size) override {
    if (file == nullptr || file == StandardOutput() || size < 0) return false;
    int rc;
    do {
      rc = ftruncate(fileno(file->stream), static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
  }

  bool Examine(const char* path, std::int64_t* modifiedNs, std::int64_t* size) override {
    struct stat st {};
    if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (modifiedNs != nullptr)
      *modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (size != nullptr) *size = static_cast<std::int64_t>(st.st_size);
    return true;
  }

  bool Close(FileHandle file) override {
    if (file == nullptr || file == StandardOutput()) return false;
    Unlock(file);
    const bool closed = std::fclose(file->stream) == 0;
    delete file;
    return closed;
  }

  FileReadStatus ReadWholeFile(const char* path, std::size_t limit, std::string* contents,
                               int* error) override {
    int ignored = 0;
    if (error == nullptr) error = &ignored;
    if (path == nullptr) {
      *error = EINVAL;
      return FileReadStatus::kCannotOpen;
    }
    struct stat st {};
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
      *error = 0;
      return FileReadStatus::kNotRegular;
    }
    // Without blocking, in case a FIFO took the file's place since: the checks below refuse it.
    int fd;
    do {
      fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      *error = errno;
      return stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? FileReadStatus::kIsDirectory
                                                         : FileReadStatus::kCannotOpen;
    }
    if (fstat(fd, &st) != 0) {
      *error = errno;
      ::close(fd);
      return FileReadStatus::kCannotRead;
    }
    if (!S_ISREG(st.st_mode)) {
      const bool directory = S_ISDIR(st.st_mode);
      ::close(fd);
      *error = directory ? EISDIR : 0;
      return directory ? FileReadStatus::kIsDirectory : FileReadStatus::kNotRegular;
    }
    FileReadStatus status = FileReadStatus::kOk;
    try {
      contents->clear();
      char chunk[8192];
      for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
          *error = errno;
          status = FileReadStatus::kCannotRead;
          break;
        }
        if (got == 0) break;
        if (contents->size() + static_cast<std::size_t>(got) > limit) {
          status = FileReadStatus::kTooLarge;
          break;
        }
        contents->append(chunk, static_cast<std::size_t>(got));
      }
    } catch (const std::bad_alloc&) {
      status = FileReadStatus::kNoMemory;
    }
    ::close(fd);
    return status;
  }
};

}  // namespace

FileService& SystemFileService() {
  static auto* files = new PosixFileService;
  return *files;
}

}  // namespace lumenrt::platform
