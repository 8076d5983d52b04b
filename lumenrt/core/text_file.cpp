#include "lumenrt/core/internal/text_file.h"

#include <cerrno>
#include <cstring>

#include "lumenrt/platform/file_service.h"

namespace lumenrt {
namespace {

// "16 MiB", "64 KiB" or "100 bytes".
std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kKiB = 1024, kMiB = kKiB * kKiB;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

bool ReadTextFile(const char* path, std::size_t limit, const char* what, std::string* contents,
                  std::string* problem) {
  int code = 0;
  // The file service answers errno values on every system (not the system's own error codes).
  switch (platform::CurrentFileService().ReadWholeFile(path, limit, contents, &code)) {
    case platform::FileReadStatus::kOk:
      return true;
    case platform::FileReadStatus::kCannotOpen:
      *problem = std::string("cannot open: ") + std::strerror(code);
      break;
    case platform::FileReadStatus::kIsDirectory:
      *problem = std::string(code == EISDIR ? "cannot read: " : "cannot open: ") + std::strerror(code);
      break;
    case platform::FileReadStatus::kCannotRead:
      *problem = std::string("cannot read: ") + std::strerror(code);
      break;
    case platform::FileReadStatus::kTooLarge:
      *problem = "file is larger than " + SizeText(limit) + ", not " + what;
      break;
    case platform::FileReadStatus::kNoMemory:
      *problem = "not enough memory to read the file";
      break;
    case platform::FileReadStatus::kNotRegular:
      *problem = std::string("not a regular file, not ") + what;
      break;
  }
  contents->clear();
  return false;
}

}  // namespace lumenrt
