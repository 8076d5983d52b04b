#include "lumenrt/platform/file_service.h"

#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<FileService> g_substitute;
}  // namespace

FileService::~FileService() = default;

std::int64_t FileService::StoredSize(FileHandle file) { return Size(file); }
bool FileService::Lock(FileHandle) { return true; }
bool FileService::LockNoticingOthers(FileHandle file, bool* othersSince) {
  *othersSince = true;
  return Lock(file);
}
void FileService::Unlock(FileHandle) {}
bool FileService::Truncate(FileHandle, std::int64_t) { return false; }
bool FileService::Examine(const char*, std::int64_t*, std::int64_t*) { return false; }

FileService& CurrentFileService() { return g_substitute.Current(SystemFileService()); }

FileService* SubstituteFileService(FileService* files) { return g_substitute.Exchange(files); }

}  // namespace lumenrt::platform
