#include "lumenrt/platform/registry_store.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string_view>
#include <utility>

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

// Byte order with ASCII letters folded to lower case.
bool FoldedLess(std::string_view a, std::string_view b) {
  const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return fold(x) < fold(y); });
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

int RegistryStore::ListKey(const char*, std::vector<std::string>*, std::vector<std::string>*) {
  return ENOSYS;
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

int RegistryListKey(const char* keyPath, std::vector<std::string>* subkeys,
                    std::vector<std::string>* valueNames) {
  std::vector<std::string> keys, values;
  const int error = CurrentRegistryStore().ListKey(keyPath, &keys, &values);
  if (error != 0) return error;
  std::sort(keys.begin(), keys.end(), FoldedLess);
  std::sort(values.begin(), values.end(), FoldedLess);
  if (subkeys != nullptr) *subkeys = std::move(keys);
  if (valueNames != nullptr) *valueNames = std::move(values);
  return 0;
}

}  // namespace lumenrt::platform
