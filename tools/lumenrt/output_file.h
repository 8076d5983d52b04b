// Files a command writes, written whole or not at all.
//
// `Output` is where a command's answer goes: standard output ("-"), or a file. A file is written to
// a temporary file beside it, synced and renamed over it by `Commit`, so that a failure leaves no
// partial output and the old file stays until the new one is whole; an existing file keeps its
// permissions, and a read-only one is refused. A symbolic link or a file that is not regular (a
// device such as /dev/null, a pipe) is written in place instead, never replaced. Output abandoned
// before `Commit` leaves no temporary file behind.
//
// Beside it, the small pieces of descriptor I/O the commands share: a descriptor closed with its
// scope, reads and writes that go on until every byte is through, and the status of a path that does
// not follow a final symbolic link.
#pragma once

#include <cstddef>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace lumenrt::tool {

// A file descriptor closed at the end of its scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  // False when closing reported an error (a write that failed late).
  bool Close();

 private:
  int fd_;
};

// Reads until `size` bytes are in or the input ends; the count read, or -1 on an error.
ssize_t ReadFull(int fd, unsigned char* data, std::size_t size);

// Writes all `size` bytes; false on an error.
bool WriteFull(int fd, const unsigned char* data, std::size_t size);

// The text of errno.
std::string Errno();

// The status of path itself, not of what a symbolic link names (Windows has none to tell apart).
int LinkStatus(const char* path, struct stat* status);

class Output {
 public:
  Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output();

  // Refuses an existing read-only file before any work is done; `error` says why.
  static bool Check(const std::string& path, std::string& error);

  // Opens "-" (standard output) or the file `path`; `error` says why not.
  bool Open(const std::string& path, std::string& error);

  int fd() const;

  bool Write(const unsigned char* data, std::size_t size, std::string& error);

  // Syncs a file and puts it in place.
  bool Commit(std::string& error);

 private:
  std::string path_, temp_;
  Fd fd_;
  bool standard_ = false;
};

}  // namespace lumenrt::tool
