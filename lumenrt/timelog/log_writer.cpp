#include "lumenrt/timelog/log_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>

#include "lumenrt/core/internal/log_route.h"
#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/file_service.h"
#include "lumenrt/platform/registry_store.h"
#include "lumenrt/timelog/internal/log_routes.h"
#include "lumenrt/timelog/time_prefix.h"

namespace {

constexpr int kFacilityAgent = 1;
constexpr int kFacilityLogs = 39;

using lumenrt::kMessageLogWriteFailed;
using lumenrt::kMessageVersion;
using lumenrt::platform::FileHandle;
using lumenrt::platform::FileOpenMode;

struct LogState {
  std::string directory;
  std::string baseName;
  std::string fileNumberValue;    // "<base>_CurrLogFileNo"
  std::string bytesWrittenValue;  // "<base>_CurrLogBytesWritten"
  std::string fileName;
  std::int32_t fileNumber = -1;
  std::int32_t bytesWritten = -1;
  FileHandle file = nullptr;
  FileHandle lockFile = nullptr;  // file 1 of the ring, held open for the advisory lock
  int lockDepth = 0;              // reports made under the lock come back through LogWrite
  bool lineOpen = false;          // the file may end inside a line that could not be ended yet
  bool bannerWritten = false;
  long long failedWrites = 0;
};

// Never destroyed: messages may arrive while other globals are torn down.
LogState& State() {
  static LogState* state = new LogState;
  return *state;
}

lumenrt::platform::FileService& Files() { return lumenrt::platform::CurrentFileService(); }

std::int32_t Clamp(long long n) {
  return static_cast<std::int32_t>(std::clamp<long long>(n, 0, std::numeric_limits<std::int32_t>::max()));
}

std::string FileNameOf(const std::string& directory, const std::string& baseName, std::int32_t number) {
  return directory + baseName + "-" + std::to_string(static_cast<long long>(number) + 1) + ".LOG";
}

std::string FileNameOf(const LogState& s, std::int32_t number) {
  return FileNameOf(s.directory, s.baseName, number);
}

std::string FileNumberValue(const std::string& baseName) { return baseName + "_CurrLogFileNo"; }
std::string BytesWrittenValue(const std::string& baseName) { return baseName + "_CurrLogBytesWritten"; }

// The lock that serialises the writers of one log base, in this process and others: held around
// opening, each line and each rotation. Without a lock file (the directory is missing) nothing is
// locked; there is then no file to share either.
class BaseLock {
 public:
  explicit BaseLock(LogState& s) : s_(s) {
    if (s_.lockDepth++ != 0) return;
    othersSince_ = true;
    if (s_.lockFile != nullptr && Files().LockNoticingOthers(s_.lockFile, &othersSince_)) file_ = s_.lockFile;
  }
  ~BaseLock() {
    if (--s_.lockDepth == 0 && file_ != nullptr) Files().Unlock(file_);
  }
  BaseLock(const BaseLock&) = delete;
  BaseLock& operator=(const BaseLock&) = delete;

  // Whether another writer may have written or rotated since this process last held the lock.
  // A nested lock (a report made under the lock) has seen everything already.
  bool OthersSince() const { return othersSince_; }

 private:
  LogState& s_;
  FileHandle file_ = nullptr;
  bool othersSince_ = false;
};

// A stored number: missing (-1) or any other negative value becomes 0 and is written back; a failed
// read gives 0. *failed tells whether the store could be read.
std::int32_t ReadPosition(const std::string& valueName, bool* failed) {
  std::int32_t value = -1;
  *failed = ReadAgentNumber(valueName.c_str(), &value, -1) < 0;
  if (value < 0) {
    value = 0;
    WriteAgentNumber(valueName.c_str(), 0, 1);
  }
  return value;
}

// The store could not tell where the log stands: the newest of the ring's existing files (the one
// written last; of two written within the clock's resolution, the smaller, as a file is started
// empty after the one before it fills). File 1 when none exists.
std::int32_t NewestFile(const std::string& directory, const std::string& baseName) {
  std::int32_t newest = 0;
  std::int64_t newestTime = std::numeric_limits<std::int64_t>::min();
  std::int64_t newestSize = 0;
  for (std::int32_t n = 0; n < kLogFileCount; ++n) {
    std::int64_t time = 0, size = 0;
    if (!Files().Examine(FileNameOf(directory, baseName, n).c_str(), &time, &size)) continue;
    if (time > newestTime || (time == newestTime && size < newestSize)) {
      newest = n;
      newestTime = time;
      newestSize = size;
    }
  }
  return newest;
}

void CloseFile(LogState& s) {
  if (s.file != nullptr) Files().Close(s.file);
  s.file = nullptr;
}

void OpenFile(LogState& s, FileOpenMode mode) {
  s.fileName = FileNameOf(s, s.fileNumber);
  s.file = Files().Open(s.fileName.c_str(), mode, nullptr);
}

// The count of an open file is its real size: a crash between a line and its count, or another
// writer, may have left the stored count behind.
// A writer killed inside a line's write leaves that line cut short at the end of the file: it is
// ended with a line feed (and counted), so that the next line starts on a line of its own. When
// even the line feed finds no room, the next line tries again.
void TakeRealSize(LogState& s) {
  if (s.file == nullptr) return;
  std::int64_t real = Files().StoredSize(s.file);
  if (real < 0 || (real == s.bytesWritten && !s.lineOpen)) return;
  std::string contents;
  int error = 0;
  s.lineOpen = false;
  if (real > 0 &&
      Files().ReadWholeFile(s.fileName.c_str(), static_cast<std::size_t>(real) + 4096, &contents, &error) ==
          lumenrt::platform::FileReadStatus::kOk &&
      !contents.empty() && contents.back() != '\n') {
    if (Files().Write(s.file, "\n", 1) == 1 && Files().Flush(s.file)) {
      real = Files().StoredSize(s.file);
    } else {
      // The line feed may wait in the stream: reopening drops or delivers it, and the next line
      // looks again.
      s.lineOpen = true;
      CloseFile(s);
      OpenFile(s, FileOpenMode::kAppend);
      real = s.file != nullptr ? Files().StoredSize(s.file) : real;
    }
  }
  s.bytesWritten = Clamp(real);
  WriteAgentNumber(s.bytesWrittenValue.c_str(), s.bytesWritten, 0);
}

// Under the lock: when the file is no longer as this process left it, another writer has written
// to it and may have rotated; continue where the store says it stands.
void FollowOtherWriters(LogState& s) {
  if (s.file == nullptr || (Files().StoredSize(s.file) == s.bytesWritten && !s.lineOpen)) return;
  std::int32_t number = -1;
  if (ReadAgentNumber(s.fileNumberValue.c_str(), &number, -1) == 1 && number >= 0 && number != s.fileNumber) {
    CloseFile(s);
    s.fileNumber = number;
    OpenFile(s, FileOpenMode::kAppend);
  }
  TakeRealSize(s);
}

// Writes file number and count in one transaction, so that a crash never pairs the new number
// with the old count. Reported on failure (through the single-value writes, which report).
bool CommitPosition(const LogState& s) {
  const auto bytes = [](std::int32_t n, unsigned char* out) {
    const auto bits = static_cast<std::uint32_t>(n);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
  };
  unsigned char number[4], count[4];
  bytes(s.fileNumber, number);
  bytes(s.bytesWritten, count);
  const lumenrt::RegistryValueData values[] = {{s.fileNumberValue.c_str(), kRegDword, number, 4},
                                               {s.bytesWrittenValue.c_str(), kRegDword, count, 4}};
  int error = lumenrt::RegistrySetValues(kAgentKey, values, 2);
  if (error == ENOENT && lumenrt::RegistryCreateKey(kAgentKey) == 0)
    error = lumenrt::RegistrySetValues(kAgentKey, values, 2);
  if (error == 0) return true;
  const bool numberKept = WriteAgentNumber(s.fileNumberValue.c_str(), s.fileNumber, 1) == 1;
  const bool countKept = WriteAgentNumber(s.bytesWrittenValue.c_str(), s.bytesWritten, 1) == 1;
  return numberKept && countKept;
}

// Under the lock: moves to the next file once the current one has passed the limit. The next file
// is emptied before the new position is committed, so a crash in between leaves the old position,
// whose file is intact, and the next line rotates again.
void RotateLocked(LogState& s) {
  if (s.file == nullptr || s.bytesWritten <= kLogSizeLimit) return;
  const std::int32_t number = lumenrt::NextLogFileNumber(s.fileNumber);
  if (s.directory.empty() && s.baseName.empty()) {
    // No name to start the next file under: the log closes and lines go to standard output.
    CloseFile(s);
    s.fileNumber = number;
    s.bytesWritten = 0;
    CommitPosition(s);
    return;
  }
  const std::string nextName = FileNameOf(s, number);
  FileHandle nextFile = Files().Open(nextName.c_str(), FileOpenMode::kTruncate, nullptr);
  CloseFile(s);
  s.fileNumber = number;
  s.bytesWritten = 0;
  // When the store does not take the new position the writer goes on with the numbers in memory.
  // Its reports, made between the files, go to standard output.
  CommitPosition(s);
  s.file = nextFile;
  s.fileName = nextName;
}

// A line the file did not take: reported on standard error (the log itself just failed), so that
// the report cannot loop back into the failing file.
void ReportFailedWrite(const LogState& s) {
  static LogFileRecord errors{&std::cerr, "standard error"};
  MessageSink sink;
  sink.logFile = &errors;
  ReportMessage(&sink, kFacilityLogs, kMessageLogWriteFailed, s.fileName.c_str());
}

}  // namespace

int LogOpen(const char* directory, const char* baseName, int truncate) {
  // Copies first: the state's own texts may be passed back in.
  const std::string dir =
      directory != nullptr ? std::string(directory, strnlen(directory, kLogNameMax + 1)) : "";
  const std::string base =
      baseName != nullptr ? std::string(baseName, strnlen(baseName, kLogNameMax + 1)) : "";
  if (dir.size() > kLogNameMax || base.size() > kLogNameMax) return 0;

  lumenrt::InstallLogWriterRoutes();
  LogState& s = State();
  lumenrt::LogClose();
  s.directory = dir;
  s.baseName = base;
  s.fileNumberValue = FileNumberValue(base);
  s.bytesWrittenValue = BytesWrittenValue(base);
  s.lockFile = Files().Open(FileNameOf(s, 0).c_str(), FileOpenMode::kAppend, nullptr);
  {
    BaseLock lock(s);
    bool numberFailed = false, countFailed = false;
    s.fileNumber = ReadPosition(s.fileNumberValue, &numberFailed);
    s.bytesWritten = ReadPosition(s.bytesWrittenValue, &countFailed);
    if (numberFailed) s.fileNumber = NewestFile(s.directory, s.baseName);
    if (truncate == 1) {
      OpenFile(s, FileOpenMode::kTruncate);
      s.bytesWritten = 0;
      if (s.file != nullptr) WriteAgentNumber(s.bytesWrittenValue.c_str(), 0, 1);
    } else {
      OpenFile(s, FileOpenMode::kAppend);
      TakeRealSize(s);
    }
  }

  if (!s.bannerWritten) {
    // Set first: the banner comes back through LogWrite, which may rotate.
    s.bannerWritten = true;
    ReportMessage(nullptr, kFacilityAgent, kMessageVersion, kLogVersionBanner);
  }
  return s.file != nullptr ? 1 : 0;
}

int LogWrite(int /*channel*/, const char* text) {
  const ZString prefix = MessageTimePrefix();
  if (text == nullptr) text = "";
  const std::size_t length = std::strlen(text);
  LogState& s = State();
  lumenrt::platform::FileService& files = Files();
  const std::size_t want = static_cast<std::size_t>(prefix.Length()) + length + 1;
  const auto writeLine = [&](FileHandle out) {
    std::size_t wrote = files.Write(out, prefix.c_str(), static_cast<std::size_t>(prefix.Length()));
    wrote += files.Write(out, text, length);
    wrote += files.Write(out, "\n", 1);
    return wrote == want;
  };

  BaseLock lock(s);
  if (lock.OthersSince() || s.lineOpen) FollowOtherWriters(s);
  if (s.file == nullptr) {
    writeLine(files.StandardOutput());
    return 1;
  }
  const bool written = writeLine(s.file) && files.Flush(s.file);
  if (written) {
    // Counted in 64 bits and kept at the largest 32-bit number: a huge line cannot wrap around
    // below the limit.
    s.bytesWritten =
        Clamp(static_cast<long long>(s.bytesWritten) + prefix.Length() + static_cast<long long>(length) + 1);
    WriteAgentNumber(s.bytesWrittenValue.c_str(), s.bytesWritten, 0);
  } else {
    // Part of the line may wait in the stream or have reached the disk: reopening drops or
    // delivers the rest, and whatever arrived is cut off again, so that the count stays the
    // file's size and the next line starts on a line of its own. Where the file cannot be cut,
    // the count is what it really holds and the torn line is ended as soon as there is room.
    ++s.failedWrites;
    ReportFailedWrite(s);
    const std::int32_t counted = s.bytesWritten;
    CloseFile(s);
    OpenFile(s, FileOpenMode::kAppend);
    // Only this line's bytes go: more than that is not this writer's.
    const std::int64_t real = s.file != nullptr ? Files().StoredSize(s.file) : -1;
    if (real > counted && static_cast<std::uint64_t>(real - counted) <= want)
      Files().Truncate(s.file, counted);
    TakeRealSize(s);
  }
  RotateLocked(s);
  return written ? 1 : 0;
}

void LogRotate() {
  LogState& s = State();
  if (s.file == nullptr) return;
  BaseLock lock(s);
  if (lock.OthersSince()) FollowOtherWriters(s);
  if (s.file != nullptr) Files().Flush(s.file);
  RotateLocked(s);
}

namespace lumenrt {

void InstallLogWriterRoutes() {
  SetDefaultLogRoute(&LogWrite);
  SetTimePrefixSource(&MessageTimePrefix);
}

LogStatus CurrentLogStatus() {
  const LogState& s = State();
  return LogStatus{s.file != nullptr, s.fileName, s.fileNumber, s.bytesWritten, s.failedWrites};
}

LogPosition ReadLogPosition(const char* directory, const char* baseName) {
  const std::string dir = directory != nullptr ? directory : "";
  const std::string base = baseName != nullptr ? baseName : "";
  LogPosition p;
  p.keyPath = kAgentKey;
  p.fileNumberValue = FileNumberValue(base);
  p.bytesWrittenValue = BytesWrittenValue(base);
  std::int32_t number = -1, bytes = -1;
  p.fileNumberRead = ReadAgentNumber(p.fileNumberValue.c_str(), &number, -1);
  p.bytesWrittenRead = ReadAgentNumber(p.bytesWrittenValue.c_str(), &bytes, -1);
  p.storedFileNumber = number;
  p.storedBytesWritten = bytes;
  p.fileNumber = p.fileNumberRead < 0 ? NewestFile(dir, base) : std::max(number, 0);
  p.bytesWritten = std::max(bytes, 0);
  p.fileName = FileNameOf(dir, base, p.fileNumber);
  return p;
}

std::string LogFileName(const char* directory, const char* baseName, std::int32_t number) {
  return FileNameOf(directory != nullptr ? directory : "", baseName != nullptr ? baseName : "", number);
}

std::int32_t NextLogFileNumber(std::int32_t number) {
  const long long next = static_cast<long long>(number) + 1;
  return next == kLogFileCount || next > std::numeric_limits<std::int32_t>::max()
             ? 0
             : static_cast<std::int32_t>(next);
}

void LogClose() {
  LogState& s = State();
  CloseFile(s);
  if (s.lockFile != nullptr) Files().Close(s.lockFile);
  s.lockFile = nullptr;
}

}  // namespace lumenrt
