#include "lumenrt/timelog/log_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "lumenrt/core/internal/log_route.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/file_service.h"
#include "lumenrt/timelog/internal/log_routes.h"
#include "lumenrt/timelog/time_prefix.h"

namespace {

constexpr int kFacilityAgent = 1;
constexpr int kMessageVersion = 4314;

struct LogState {
  std::string directory;
  std::string baseName;
  std::string fileNumberValue;    // "<base>_CurrLogFileNo"
  std::string bytesWrittenValue;  // "<base>_CurrLogBytesWritten"
  std::string fileName;
  std::int32_t fileNumber = -1;
  std::int32_t bytesWritten = -1;
  lumenrt::platform::FileHandle file = nullptr;
  bool bannerWritten = false;
};

// Never destroyed: messages may arrive while other globals are torn down.
LogState& State() {
  static LogState* state = new LogState;
  return *state;
}

// A stored number: missing (-1) or any other negative value becomes 0 and is written back; a failed
// read gives 0.
std::int32_t ReadPosition(const std::string& valueName) {
  std::int32_t value = -1;
  ReadAgentNumber(valueName.c_str(), &value, -1);
  if (value < 0) {
    value = 0;
    WriteAgentNumber(valueName.c_str(), 0, 1);
  }
  return value;
}

lumenrt::platform::FileService& Files() { return lumenrt::platform::CurrentFileService(); }

void OpenFile(LogState& s, int truncate) {
  s.fileName =
      s.directory + s.baseName + "-" + std::to_string(static_cast<long long>(s.fileNumber) + 1) + ".LOG";
  s.file = Files().Open(
      s.fileName.c_str(),
      truncate == 1 ? lumenrt::platform::FileOpenMode::kTruncate : lumenrt::platform::FileOpenMode::kAppend,
      nullptr);
}

void CloseFile(LogState& s) {
  if (s.file != nullptr) Files().Close(s.file);
  s.file = nullptr;
}

[[maybe_unused]] const bool g_routesInstalled = (lumenrt::InstallLogWriterRoutes(), true);

}  // namespace

int LogOpen(const char* directory, const char* baseName, int truncate) {
  // Copies first: a rotation passes the state's own texts.
  const std::string dir =
      directory != nullptr ? std::string(directory, strnlen(directory, kLogNameMax + 1)) : "";
  const std::string base =
      baseName != nullptr ? std::string(baseName, strnlen(baseName, kLogNameMax + 1)) : "";
  if (dir.size() > kLogNameMax || base.size() > kLogNameMax) return 0;

  lumenrt::InstallLogWriterRoutes();
  LogState& s = State();
  CloseFile(s);
  s.directory = dir;
  s.baseName = base;
  s.fileNumberValue = base + "_CurrLogFileNo";
  s.bytesWrittenValue = base + "_CurrLogBytesWritten";
  s.fileNumber = ReadPosition(s.fileNumberValue);
  s.bytesWritten = ReadPosition(s.bytesWrittenValue);
  OpenFile(s, truncate);

  if (!s.bannerWritten) {
    // Set first: the banner comes back through LogWrite, which may rotate and reopen.
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
  lumenrt::platform::FileHandle out = s.file != nullptr ? s.file : files.StandardOutput();
  files.Write(out, prefix.c_str(), static_cast<std::size_t>(prefix.Length()));
  files.Write(out, text, length);
  files.Write(out, "\n", 1);
  if (s.file == nullptr) return 1;

  // Counted in 64 bits and kept at the largest 32-bit number: a huge stored count or line cannot
  // wrap around below the limit.
  const long long count =
      static_cast<long long>(s.bytesWritten) + prefix.Length() + static_cast<long long>(length) + 1;
  s.bytesWritten =
      static_cast<std::int32_t>(std::min<long long>(count, std::numeric_limits<std::int32_t>::max()));
  WriteAgentNumber(s.bytesWrittenValue.c_str(), s.bytesWritten, 0);
  LogRotate();
  return 1;
}

void LogRotate() {
  LogState& s = State();
  if (s.file == nullptr) return;
  Files().Flush(s.file);
  if (s.bytesWritten <= kLogSizeLimit) return;

  CloseFile(s);
  s.bytesWritten = 0;
  const bool bytesKept = WriteAgentNumber(s.bytesWrittenValue.c_str(), 0, 1) == 1;
  const long long next = static_cast<long long>(s.fileNumber) + 1;
  s.fileNumber = next == kLogFileCount || next > std::numeric_limits<std::int32_t>::max()
                     ? 0
                     : static_cast<std::int32_t>(next);
  const bool numberKept = WriteAgentNumber(s.fileNumberValue.c_str(), s.fileNumber, 1) == 1;
  if (s.directory.empty() && s.baseName.empty()) return;
  if (bytesKept && numberKept) {
    LogOpen(s.directory.c_str(), s.baseName.c_str(), 1);
  } else {
    // The registry did not take the new position: go on with the numbers in memory rather than
    // read the old ones back and empty the file just finished.
    OpenFile(s, 1);
  }
}

namespace lumenrt {

void InstallLogWriterRoutes() {
  SetDefaultLogRoute(&LogWrite);
  SetTimePrefixSource(&MessageTimePrefix);
}

LogStatus CurrentLogStatus() {
  const LogState& s = State();
  return LogStatus{s.file != nullptr, s.fileName, s.fileNumber, s.bytesWritten};
}

void LogClose() { CloseFile(State()); }

}  // namespace lumenrt
