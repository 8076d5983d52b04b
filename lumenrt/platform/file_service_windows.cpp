// The file service on Windows. Log files are handles opened for appending only (FILE_APPEND_DATA
// without FILE_WRITE_DATA), so every write lands at the file's end whatever other processes appended
// meanwhile; what Write is given waits in the handle's own buffer until Flush hands it to the system
// in one WriteFile, as a C stream would. The standard output is the C run-time's stream, shared with
// the program's other output. Errors are answered as errno values (ErrnoFromWindowsError).
//
// The advisory lock is LockFileEx on one byte far beyond any real data of the file: locked bytes of a
// Windows file refuse reads and writes through every other handle, so a lock on the contents would
// stop the writer's own second handle. The byte at kLockOffset binds only those that lock it.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include <windows.h>

#include "lumenrt/platform/file_service.h"
#include "lumenrt/platform/internal/errno_windows.h"

namespace lumenrt::platform {

struct OpenFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::FILE* stream = nullptr;  // the standard output only
  std::string pending;          // written, not yet flushed
  std::string path;             // as opened, for the handle that cuts the file (Truncate)
};

namespace {

constexpr std::uint64_t kLockOffset = 0x7FFFFFFF00000000ull;
// Written out at once when the buffer would grow beyond this.
constexpr std::size_t kBufferLimit = 64 * 1024;
// Seconds from 1601-01-01 to 1970-01-01, in file-time ticks.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int LastErrno() { return ErrnoFromWindowsError(GetLastError()); }

// Writes all of data; false (with the system's error set) when the system took less.
bool WriteAll(HANDLE handle, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD wrote = 0;
    if (!WriteFile(handle, data, chunk, &wrote, nullptr)) return false;
    if (wrote == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += wrote;
    size -= wrote;
  }
  return true;
}

bool FlushPending(OpenFile* file) {
  if (file->stream != nullptr) return std::fflush(file->stream) == 0;
  if (file->pending.empty()) return true;
  const bool ok = WriteAll(file->handle, file->pending.data(), file->pending.size());
  // What failed is dropped: the caller has been told, and keeping it would write it later out of order.
  file->pending.clear();
  return ok;
}

std::int64_t SizeOnDisk(const OpenFile* file) {
  LARGE_INTEGER size;
  if (file->handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file->handle, &size)) return -1;
  return size.QuadPart;
}

OVERLAPPED LockRange() {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(kLockOffset);
  at.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
  return at;
}

bool IsDirectoryPath(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class WindowsFileService final : public FileService {
 public:
  FileHandle Open(const char* path, FileOpenMode mode, int* error) override {
    int ignored = 0;
    if (error == nullptr) error = &ignored;
    if (path == nullptr || path[0] == '\0') {
      *error = path == nullptr ? EINVAL : ENOENT;
      return nullptr;
    }
    if (mode == FileOpenMode::kTruncate) {
      // Emptied through a handle of its own: the writing handle appends only, which cannot truncate.
      HANDLE emptied =
          CreateFileA(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (emptied == INVALID_HANDLE_VALUE || !SetEndOfFile(emptied)) {
        *error = LastErrno();
        if (emptied != INVALID_HANDLE_VALUE) CloseHandle(emptied);
        return nullptr;
      }
      CloseHandle(emptied);
    }
    HANDLE handle = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *error = IsDirectoryPath(path) ? EISDIR : LastErrno();
      return nullptr;
    }
    auto* file = new (std::nothrow) OpenFile;
    if (file == nullptr) {
      CloseHandle(handle);
      *error = ENOMEM;
      return nullptr;
    }
    file->handle = handle;
    try {
      file->path = path;
    } catch (const std::bad_alloc&) {
      // Without its path the file cannot be cut back after a torn line; it is still written.
    }
    return file;
  }

  FileHandle StandardOutput() override {
    static OpenFile out{INVALID_HANDLE_VALUE, stdout, {}, {}};
    return &out;
  }

  std::size_t Write(FileHandle file, const void* data, std::size_t size) override {
    if (file == nullptr || size == 0 || data == nullptr) return 0;
    if (file->stream != nullptr) return std::fwrite(data, 1, size, file->stream);
    const char* bytes = static_cast<const char*>(data);
    if (file->pending.size() + size > kBufferLimit) {
      if (!FlushPending(file)) return 0;
      if (size > kBufferLimit) return WriteAll(file->handle, bytes, size) ? size : 0;
    }
    try {
      file->pending.append(bytes, size);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    return size;
  }

  bool Flush(FileHandle file) override { return file != nullptr && FlushPending(file); }

  std::int64_t Size(FileHandle file) override {
    if (file == nullptr) return -1;
    FlushPending(file);
    return SizeOnDisk(file);
  }

  std::int64_t StoredSize(FileHandle file) override { return file != nullptr ? SizeOnDisk(file) : -1; }

  bool Lock(FileHandle file) override {
    if (file == nullptr || file->handle == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED at = LockRange();
    return LockFileEx(file->handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
  }

  void Unlock(FileHandle file) override {
    if (file == nullptr || file->handle == INVALID_HANDLE_VALUE) return;
    OVERLAPPED at = LockRange();
    UnlockFileEx(file->handle, 0, 1, 0, &at);
  }

  // The writing handle appends only, which cannot cut: a handle of its own does, once it is known to
  // be the same file (not one put in its place since).
  bool Truncate(FileHandle file, std::int64_t size) override {
    if (file == nullptr || file->handle == INVALID_HANDLE_VALUE || file->path.empty() || size < 0)
      return false;
    HANDLE cutter = CreateFileA(file->path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (cutter == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION written{}, cutting{};
    LARGE_INTEGER at;
    at.QuadPart = size;
    const bool cut =
        GetFileInformationByHandle(file->handle, &written) && GetFileInformationByHandle(cutter, &cutting) &&
        written.dwVolumeSerialNumber == cutting.dwVolumeSerialNumber &&
        written.nFileIndexHigh == cutting.nFileIndexHigh && written.nFileIndexLow == cutting.nFileIndexLow &&
        SetFilePointerEx(cutter, at, nullptr, FILE_BEGIN) && SetEndOfFile(cutter);
    CloseHandle(cutter);
    return cut;
  }

  bool Examine(const char* path, std::int64_t* modifiedNs, std::int64_t* size) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr || !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
      return false;
    if (modifiedNs != nullptr) {
      const std::int64_t ticks =
          static_cast<std::int64_t>(static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                    data.ftLastWriteTime.dwLowDateTime);
      *modifiedNs = (ticks - kUnixEpochTicks) * 100;
    }
    if (size != nullptr)
      *size =
          static_cast<std::int64_t>(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    return true;
  }

  bool Close(FileHandle file) override {
    if (file == nullptr || file == StandardOutput()) return false;
    const bool flushed = FlushPending(file);
    const bool closed = CloseHandle(file->handle) != 0;
    delete file;
    return flushed && closed;
  }

  FileReadStatus ReadWholeFile(const char* path, std::size_t limit, std::string* contents,
                               int* error) override {
    int ignored = 0;
    if (error == nullptr) error = &ignored;
    if (path == nullptr || contents == nullptr) {
      *error = EINVAL;
      return FileReadStatus::kCannotOpen;
    }
    HANDLE handle =
        CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      // A directory does not open as a file here at all; it is answered as one opened elsewhere.
      if (IsDirectoryPath(path)) {
        *error = EISDIR;
        return FileReadStatus::kIsDirectory;
      }
      *error = LastErrno();
      return FileReadStatus::kCannotOpen;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {  // a console, a pipe, a device
      CloseHandle(handle);
      *error = 0;
      return FileReadStatus::kNotRegular;
    }
    FileReadStatus status = FileReadStatus::kOk;
    try {
      contents->clear();
      char chunk[8192];
      for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, chunk, sizeof chunk, &got, nullptr)) {
          *error = LastErrno();
          status = FileReadStatus::kCannotRead;
          break;
        }
        if (got == 0) break;
        if (contents->size() + got > limit) {
          status = FileReadStatus::kTooLarge;
          break;
        }
        contents->append(chunk, got);
      }
    } catch (const std::bad_alloc&) {
      status = FileReadStatus::kNoMemory;
    }
    CloseHandle(handle);
    return status;
  }
};

}  // namespace

FileService& SystemFileService() {
  static auto* files = new WindowsFileService;
  return *files;
}

}  // namespace lumenrt::platform
