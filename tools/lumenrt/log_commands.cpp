// lumenrt log: write lines through the rotating log writer, and read its ring of files back.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/platform/file_service.h"
#include "lumenrt/timelog/log_writer.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

namespace pf = lumenrt::platform;

// How long `log show --follow` waits between two looks at the ring.
constexpr auto kFollowInterval = std::chrono::milliseconds(200);
// The largest log file read: a file holds 32767 bytes and one more line, so only a line of this
// size (or a file that is not the writer's) comes near it.
constexpr std::size_t kLogReadLimit = std::size_t{256} << 20;

struct LogRequest {
  std::string dir, base;
  bool truncate = false, follow = false;
  std::vector<std::string> texts;
};

// The directory as the writer wants it, ending with a separator; nothing when a name is too long.
std::optional<std::string> Directory(const LogRequest& r) {
  std::string dir = r.dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  if (dir.size() > static_cast<std::size_t>(kLogNameMax) ||
      r.base.size() > static_cast<std::size_t>(kLogNameMax))
    return std::nullopt;
  return dir;
}

int NamesTooLong() {
  return Fail(kExitUsage, "the directory and the base name may have at most 519 characters each");
}

pf::FileService& Files() { return pf::CurrentFileService(); }

bool Exists(const std::string& name) {
  std::int64_t time = 0, size = 0;
  return Files().Examine(name.c_str(), &time, &size);
}

// The writers' lock of the ring, held on its file 1 around each line and each rotation. A reader
// holds it while it reads the stored position and the files, so that the two agree. A ring
// without file 1 has no writer to wait for, and the reader does not create it.
class RingLock {
 public:
  explicit RingLock(const std::string& firstFile) {
    if (!Exists(firstFile)) return;
    file_ = Files().Open(firstFile.c_str(), pf::FileOpenMode::kAppend, nullptr);
    if (file_ != nullptr && !Files().Lock(file_)) {
      Files().Close(file_);
      file_ = nullptr;
    }
  }
  ~RingLock() {
    if (file_ == nullptr) return;
    Files().Unlock(file_);
    Files().Close(file_);
  }
  RingLock(const RingLock&) = delete;
  RingLock& operator=(const RingLock&) = delete;

 private:
  pf::FileHandle file_ = nullptr;
};

// One file of the ring as it stands: its bytes, or nothing when it does not exist. A file that
// exists and cannot be read is an error (*error says why).
std::optional<std::string> ReadLogFile(const std::string& name, std::string* error) {
  std::string contents;
  int code = 0;
  switch (Files().ReadWholeFile(name.c_str(), kLogReadLimit, &contents, &code)) {
    case pf::FileReadStatus::kOk:
      return contents;
    case pf::FileReadStatus::kCannotOpen:
      if (!Exists(name)) return std::nullopt;
      break;
    case pf::FileReadStatus::kTooLarge:
      *error = "the log file " + name + " is larger than " + std::to_string(kLogReadLimit) + " bytes";
      return std::nullopt;
    default:
      break;
  }
  *error = "cannot read the log file " + name + (code != 0 ? std::string(": ") + std::strerror(code) : "");
  return std::nullopt;
}

// The number of the file before `number` in the ring.
std::int32_t Previous(std::int32_t number) { return number == 0 ? kLogFileCount - 1 : number - 1; }

// Prints bytes as they stand and hands them to the system; false when standard output failed.
bool Emit(const std::string& bytes) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) return false;
  return std::fflush(stdout) == 0;
}

// What `log show --follow` has printed: everything before `offset` in the file `number`, and
// every file before it.
struct FollowPoint {
  std::int32_t number = 0;
  std::size_t offset = 0;
};

// The complete lines of `contents` from point.offset on, moving the offset past them.
std::string TakeLines(const std::string& contents, FollowPoint& point) {
  const std::size_t end = contents.rfind('\n');
  if (end == std::string::npos || end < point.offset) return {};
  std::string lines = contents.substr(point.offset, end + 1 - point.offset);
  point.offset = end + 1;
  return lines;
}

// One look at the ring: appends to *batch what was written since `point` and moves it on. A
// rotation shows as a new stored file number: the rest of the file left is taken first, then any
// file between, then the new one from its start. A current file shorter than what was taken of it
// has been started again (opened to be emptied, or refilled after a round of the whole ring).
bool CatchUp(const std::string& dir, const std::string& base, FollowPoint& point, std::string* batch,
             std::string* error) {
  RingLock lock(LogFileName(dir.c_str(), base.c_str(), 0));
  const LogPosition position = ReadLogPosition(dir.c_str(), base.c_str());
  if (position.fileNumber != point.number) {
    std::vector<std::int32_t> between;
    std::int32_t n = NextLogFileNumber(point.number);
    while (n != position.fileNumber && between.size() < static_cast<std::size_t>(kLogFileCount)) {
      between.push_back(n);
      n = NextLogFileNumber(n);
    }
    auto left = ReadLogFile(LogFileName(dir.c_str(), base.c_str(), point.number), error);
    if (!error->empty()) return false;
    if (left && left->size() > point.offset) *batch += left->substr(point.offset);
    // The number moved by more than a round of the ring (another writer's store): the files
    // between are not this ring's history.
    if (between.size() < static_cast<std::size_t>(kLogFileCount)) {
      for (std::int32_t b : between) {
        auto whole = ReadLogFile(LogFileName(dir.c_str(), base.c_str(), b), error);
        if (!error->empty()) return false;
        if (whole) *batch += *whole;
      }
    }
    point = FollowPoint{position.fileNumber, 0};
  }
  auto current = ReadLogFile(position.fileName, error);
  if (!error->empty()) return false;
  const std::string contents = current.value_or("");
  if (contents.size() < point.offset) point.offset = 0;
  *batch += TakeLines(contents, point);
  return true;
}

int Show(const LogRequest& r) {
  const auto dir = Directory(r);
  if (!dir) return NamesTooLong();
  const std::string& base = r.base;
  std::string out, error;
  FollowPoint point;
  {
    RingLock lock(LogFileName(dir->c_str(), base.c_str(), 0));
    const LogPosition position = ReadLogPosition(dir->c_str(), base.c_str());
    point.number = position.fileNumber;
    // The oldest file is the one after the current file in the ring.
    const std::int32_t order[] = {Previous(Previous(point.number)), Previous(point.number), point.number};
    bool found = false;
    for (std::int32_t n : order) {
      auto contents = ReadLogFile(LogFileName(dir->c_str(), base.c_str(), n), &error);
      if (!error.empty()) return Fail(kExitNone, error);
      if (!contents) continue;
      found = true;
      // Following, a line still being written waits for its end.
      out += r.follow && n == point.number ? TakeLines(*contents, point) : *contents;
    }
    if (!found)
      return Fail(kExitNone, "no log files: none of " + LogFileName(dir->c_str(), base.c_str(), order[0]) +
                                 ", " + LogFileName(dir->c_str(), base.c_str(), order[1]) + " and " +
                                 position.fileName + " exists");
  }
  if (!Emit(out)) return Fail(kExitNone, "cannot write standard output");
  while (r.follow) {
    std::this_thread::sleep_for(kFollowInterval);
    std::string batch;
    if (!CatchUp(*dir, base, point, &batch, &error)) return Fail(kExitNone, error);
    if (!Emit(batch)) return Fail(kExitNone, "cannot write standard output");
  }
  return kExitOk;
}

int Status(const LogRequest& r) {
  const auto dir = Directory(r);
  if (!dir) return NamesTooLong();
  RingLock lock(LogFileName(dir->c_str(), r.base.c_str(), 0));
  const LogPosition p = ReadLogPosition(dir->c_str(), r.base.c_str());
  std::int64_t time = 0, size = -1;
  const bool currentExists = Files().Examine(p.fileName.c_str(), &time, &size);
  bool anyExists = currentExists;
  for (std::int32_t n = p.fileNumber, i = 0; i < kLogFileCount; ++i, n = Previous(n))
    anyExists = anyExists || Exists(LogFileName(dir->c_str(), r.base.c_str(), n));
  if (!anyExists)
    return Fail(kExitNone, "no log files: " + p.fileName + " and the files before it do not exist");
  const auto stored = [](int read, std::int32_t value) { return read == 1 ? Json(value) : Json(nullptr); };
  Records records(
      {"file", "stored number", "stored bytes", "file size", "key", "number value", "bytes value"});
  records.Add({p.fileName, stored(p.fileNumberRead, p.storedFileNumber),
               stored(p.bytesWrittenRead, p.storedBytesWritten), currentExists ? Json(size) : Json(nullptr),
               p.keyPath, p.fileNumberValue, p.bytesWrittenValue});
  records.Print();
  return kExitOk;
}

int Write(const LogRequest& r) {
  const auto dir = Directory(r);
  if (!dir) return NamesTooLong();

  // The library's own reports take their default route, the log: the version banner comes first,
  // then every TEXT as one line, all from one open.
  DefaultLogFile = nullptr;
  LogOpen(dir->c_str(), r.base.c_str(), r.truncate ? 1 : 0);
  int failed = 0;
  for (const std::string& text : r.texts) failed += LogWrite(0, text.c_str()) == 1 ? 0 : 1;

  const lumenrt::LogStatus status = lumenrt::CurrentLogStatus();
  std::fflush(stdout);
  if (!status.open)
    return Fail(kExitNone,
                "cannot open the log file " + status.fileName + "; the lines went to standard output");
  // The number the file's name carries: the stored number counts from 0, the names from 1.
  std::printf("%s: file number %lld, %d bytes written\n", status.fileName.c_str(),
              static_cast<long long>(status.fileNumber) + 1, status.bytesWritten);
  // The banner is written too: a failure of its line counts.
  if (failed != 0 || status.failedWrites != 0)
    return Fail(kExitNone, "writing to the log failed: " + std::to_string(status.failedWrites) +
                               " line(s) not written whole");
  return kExitOk;
}

void AddRingOptions(CLI::App& command, LogRequest& r) {
  command.add_option("--dir", r.dir, "the directory of the log files")->type_name("DIR")->required();
  command.add_option("--base", r.base, "the base name of the log files")->type_name("NAME")->required();
}

const Registration kLogCommands{[](CLI::App& tool) {
  auto r = std::make_shared<LogRequest>();
  CLI::App* log = AddCommand(tool, "log", "the rotating log writer");
  CLI::App* write =
      AddCommand(*log, "write",
                 "write each TEXT as one line to DIR/NAME-n.LOG; the file number and byte count "
                 "are kept in the registry, and the next file is started after 32767 bytes",
                 [r] { return Write(*r); });
  AddRingOptions(*write, *r);
  write->add_flag("--truncate", r->truncate, "empty the current file first");
  write->add_option("TEXT", r->texts, "the lines to write");
  AddExamples(*write, {"lumenrt log write --dir . --base Agent \"backup started\""});

  CLI::App* show = AddCommand(*log, "show",
                              "print the lines of the ring DIR/NAME-1.LOG to -3.LOG in the order they were "
                              "written, oldest file first (exit 1 when no file exists)",
                              [r] { return Show(*r); });
  AddRingOptions(*show, *r);
  show->add_flag("--follow", r->follow,
                 "then print new lines as they are written, across rotations, until interrupted");
  AddExamples(*show,
              {"lumenrt log show --dir . --base Agent", "lumenrt log show --dir . --base Agent --follow"});

  CLI::App* status = AddCommand(*log, "status",
                                "the current file of the ring, its stored byte count and the registry values "
                                "that hold the file number and the byte count",
                                [r] { return Status(*r); });
  AddRingOptions(*status, *r);
  AddJsonFlag(*status);
  AddExamples(*status,
              {"lumenrt log status --dir . --base Agent", "lumenrt log status --dir . --base Agent --json"});
}};

}  // namespace
}  // namespace lumenrt::tool
