#include "lumenrt/platform/file_service.h"

#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<FileService> g_substitute;
}  // namespace

FileService::~FileService() = default;

FileService& CurrentFileService() { return g_substitute.Current(SystemFileService()); }

FileService* SubstituteFileService(FileService* files) { return g_substitute.Exchange(files); }

}  // namespace lumenrt::platform
