#include "lumenrt/platform/registry_store.h"

#include <cerrno>
#include <mutex>

#include "lumenrt/platform/internal/registry_store_sqlite.h"
#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {

constinit Substitution<RegistryStore> g_substitute;

std::mutex& PathLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::string& SetPath() {
  static auto* path = new std::string;
  return *path;
}

}  // namespace

RegistryStore::~RegistryStore() = default;

int RegistryStore::SetValues(const char* keyPath, const RegistryValueData* values, std::size_t count) {
  if (values == nullptr && count != 0) return EINVAL;
  for (std::size_t i = 0; i < count; ++i) {
    if (int error = SetValue(keyPath, values[i].name, values[i].type, values[i].data, values[i].size);
        error != 0)
      return error;
  }
  return 0;
}

RegistryStore& CurrentRegistryStore() { return g_substitute.Current(SystemRegistryStore()); }

RegistryStore* SubstituteRegistryStore(RegistryStore* store) { return g_substitute.Exchange(store); }

void SetRegistryStorePath(const char* path) {
  std::lock_guard<std::mutex> hold(PathLock());
  SetPath() = path != nullptr ? path : "";
}

std::string SetRegistryStorePathValue() {
  std::lock_guard<std::mutex> hold(PathLock());
  return SetPath();
}

std::string RegistryStorePath() { return CurrentRegistryStore().StorePath(); }

int RegistryOpenKey(const char* keyPath) { return CurrentRegistryStore().OpenKey(keyPath); }

int RegistryCreateKey(const char* keyPath) { return CurrentRegistryStore().CreateKey(keyPath); }

int RegistryQueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                       std::uint32_t* size) {
  return CurrentRegistryStore().QueryValue(keyPath, valueName, type, data, size);
}

int RegistrySetValue(const char* keyPath, const char* valueName, int type, const void* data,
                     std::uint32_t size) {
  return CurrentRegistryStore().SetValue(keyPath, valueName, type, data, size);
}

int RegistrySetValues(const char* keyPath, const RegistryValueData* values, std::size_t count) {
  return CurrentRegistryStore().SetValues(keyPath, values, count);
}

}  // namespace lumenrt::platform
