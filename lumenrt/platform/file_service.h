// The file service: the library's only way to files. Log files are opened for writing at their end,
// written, flushed, measured and closed; configuration and catalogue files are read whole. Several
// processes appending to one log serialise through an advisory lock on an open file, which on POSIX
// systems costs no system call while nobody else wants it.
//
// The process uses one FileService, the system's unless a test substitutes its own (for example one
// that fails a chosen write or flush, or writes only part of what it is given; see
// tests/support/faulty_files.h).
//
// Contract of every implementation:
// - nothing here reports or raises (std::bad_alloc from ReadWholeFile is answered with kNoMemory);
// - a handle from Open is given back to Close exactly once; StandardOutput's handle is never closed;
// - Write answers how many bytes it wrote: fewer than asked is a failed (possibly short) write;
// - the system's codes are errno values on every system (Windows errors are translated).
//
// Thread safety: calls on different handles may run on any thread; one handle is used by one thread
// at a time. Substituting is for start-up and tests, while no file is open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "lumenrt/platform/export.h"

namespace lumenrt::platform {

// An open file; what it points at belongs to the service that opened it.
struct OpenFile;
using FileHandle = OpenFile*;

enum class FileOpenMode {
  kAppend,    // keep the contents (creating the file when it is missing) and write at the end
  kTruncate,  // start the file empty (creating it when it is missing)
};

// How a whole-file read ended.
enum class FileReadStatus {
  kOk,
  kCannotOpen,   // *error: the system's code
  kIsDirectory,  // *error: EISDIR when it was opened, else the code opening it failed with
  kCannotRead,   // *error: the system's code
  kTooLarge,     // the file holds more than the limit
  kNoMemory,     // no memory for the contents
  kNotRegular,   // not a regular file (a device, a FIFO, a socket): never read, nor waited on
};

class LUMENRT_EXPORT FileService {
 public:
  virtual ~FileService();

  // Opens path for writing; null (with *error set to the system's code, when error is not null) on
  // failure.
  virtual FileHandle Open(const char* path, FileOpenMode mode, int* error) = 0;
  // The process's standard output.
  virtual FileHandle StandardOutput() = 0;
  // Writes size bytes at the end; answers the number written.
  virtual std::size_t Write(FileHandle file, const void* data, std::size_t size) = 0;
  // Hands what was written to the system; false on failure.
  virtual bool Flush(FileHandle file) = 0;
  // The file's size in bytes, what is waiting to be flushed included; -1 on failure.
  virtual std::int64_t Size(FileHandle file) = 0;
  // Flushes and closes; false when the flush or the close failed (the handle is gone either way).
  virtual bool Close(FileHandle file) = 0;

  // The size of the file on disk, without flushing what waits in the stream first (so a failed
  // flush does not hide how much really arrived); -1 on failure. By default Size.
  virtual std::int64_t StoredSize(FileHandle file);
  // Waits for the exclusive advisory lock of the open file (the lock belongs to this handle: other
  // handles, of this process or another, wait; closing the handle releases it; a child that
  // inherited the handle through fork locks on its own, excluding its parent); false on failure.
  // The lock binds only callers that take it. By default no lock is taken and the answer is true.
  virtual bool Lock(FileHandle file);
  // Lock, telling in *othersSince whether another handle has held the lock since this one last
  // released it, so that a writer looks at the file again only when it may have changed. By default
  // Lock, and *othersSince is always true.
  virtual bool LockNoticingOthers(FileHandle file, bool* othersSince);
  // Releases the lock taken with Lock or LockNoticingOthers. By default nothing.
  virtual void Unlock(FileHandle file);
  // Cuts the file back to its first size bytes (the part of a line that a full disk tore off). What
  // waits in the stream is not written first: the caller truncates a handle with nothing pending.
  // False on failure. By default false: nothing is cut.
  virtual bool Truncate(FileHandle file, std::int64_t size);
  // The last modification time of the file at path, in nanoseconds since 1970, and its size; false
  // when the file does not exist or cannot be examined. By default false.
  virtual bool Examine(const char* path, std::int64_t* modifiedNs, std::int64_t* size);

  // Reads the whole file at path into *contents (replaced). More than `limit` bytes is kTooLarge;
  // only regular files (and directories, to say what they are) are opened, so a device that never
  // ends or a FIFO without a writer is refused at once.
  virtual FileReadStatus ReadWholeFile(const char* path, std::size_t limit, std::string* contents,
                                       int* error) = 0;
};

// The system's file service. Never destroyed.
LUMENRT_EXPORT FileService& SystemFileService();
// The file service in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT FileService& CurrentFileService();
// Sets the file service in use (null restores the system's); returns the previous substitute. The
// caller keeps ownership and keeps the substitute alive while it is in use.
LUMENRT_EXPORT FileService* SubstituteFileService(FileService* files);

}  // namespace lumenrt::platform
