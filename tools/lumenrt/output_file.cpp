// Files a command writes, written whole or not at all.
#include "output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace lumenrt::tool {
namespace {

constexpr std::size_t kIoPiece = std::size_t{1} << 30;  // read and write at most this much per call

#ifdef _WIN32
// Files are binary: no line-end translation, no end-of-file character.
constexpr int kOpenWriteInPlace = O_WRONLY | O_TRUNC | O_BINARY | O_NOINHERIT;
constexpr unsigned kAnyWriteBit = S_IWUSR;
int SyncFile(int fd) { return _commit(fd); }
int KeepMode(int, unsigned) { return 0; }
// Replaces an existing file, as rename does on POSIX.
int Replace(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  errno = EACCES;
  return -1;
}
#else
constexpr int kOpenWriteInPlace = O_WRONLY | O_TRUNC | O_CLOEXEC;
constexpr unsigned kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
int SyncFile(int fd) { return fsync(fd); }
int KeepMode(int fd, unsigned mode) { return fchmod(fd, mode & 07777); }
int Replace(const char* from, const char* to) { return std::rename(from, to); }
#endif

}  // namespace

bool Fd::Close() {
  const bool ok = fd_ < 0 || close(fd_) == 0;
  fd_ = -1;
  return ok;
}

ssize_t ReadFull(int fd, unsigned char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, data + done, std::min(size - done, kIoPiece));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool WriteFull(int fd, const unsigned char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, std::min(size - done, kIoPiece));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Errno() { return std::strerror(errno); }

#ifdef _WIN32
// There are no symbolic links to keep apart here.
int LinkStatus(const char* path, struct stat* status) { return stat(path, status); }
#else
int LinkStatus(const char* path, struct stat* status) { return lstat(path, status); }
#endif

Output::~Output() {
  if (!temp_.empty()) {
    fd_.Close();
    unlink(temp_.c_str());
  }
}

bool Output::Check(const std::string& path, std::string& error) {
  struct stat target {};
  if (path == "-" || stat(path.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) return true;
  // A privileged user may write any file: the permission bits still say what the owner meant.
  if (access(path.c_str(), W_OK) == 0 && (target.st_mode & kAnyWriteBit) != 0) return true;
  error = "'" + path + "' is read-only; it is not replaced";
  return false;
}

bool Output::Open(const std::string& path, std::string& error) {
  path_ = path;
  if (path == "-") {
    standard_ = true;
    return true;
  }
  if (!Check(path, error)) return false;
  struct stat existing {};
  const bool exists = LinkStatus(path.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    fd_.Reset(open(path.c_str(), kOpenWriteInPlace));
    if (fd_.get() < 0) error = "cannot write '" + path + "': " + Errno();
    return fd_.get() >= 0;
  }
  temp_ = path + ".tmpXXXXXX";
  fd_.Reset(mkstemp(temp_.data()));
  if (fd_.get() < 0) {
    temp_.clear();
    error = "cannot write '" + path + "' (no file can be made beside it): " + Errno();
    return false;
  }
  if (exists && KeepMode(fd_.get(), existing.st_mode) != 0) {
    error = "cannot write '" + path + "': " + Errno();
    return false;
  }
  return true;
}

int Output::fd() const { return standard_ ? STDOUT_FILENO : fd_.get(); }

bool Output::Write(const unsigned char* data, size_t size, std::string& error) {
  if (WriteFull(fd(), data, size)) return true;
  error = standard_ ? "cannot write standard output: " + Errno() : "cannot write '" + path_ + "': " + Errno();
  return false;
}

bool Output::Commit(std::string& error) {
  if (standard_) return true;
  struct stat written {};
  const bool regular = fstat(fd_.get(), &written) == 0 && S_ISREG(written.st_mode);
  if ((regular && SyncFile(fd_.get()) != 0) || !fd_.Close() ||
      (!temp_.empty() && Replace(temp_.c_str(), path_.c_str()) != 0)) {
    error = "cannot write '" + path_ + "': " + Errno();
    return false;
  }
  temp_.clear();
  return true;
}

}  // namespace lumenrt::tool
