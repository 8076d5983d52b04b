#include "lumenrt/platform/message_module.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "lumenrt/platform/internal/string_tables.h"
#include "lumenrt/platform/internal/substitution.h"
#include "lumenrt/platform/internal/text_helpers.h"

namespace lumenrt::platform {
namespace {

// A string-table module; its address is the module handle.
struct StringTableModule {
  std::string name;
  std::unordered_map<std::uint32_t, std::string> entries;
};

std::mutex& ModuleLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::unordered_set<const StringTableModule*>& LiveModules() {
  static auto* live = new std::unordered_set<const StringTableModule*>;
  return *live;
}

constinit std::atomic<OwnStringTable> g_ownTable{nullptr};
constinit Substitution<MessageTables> g_substitute;

}  // namespace

MessageTables::~MessageTables() = default;

MessageTables& CurrentMessageTables() { return g_substitute.Current(SystemMessageTables()); }

MessageTables* SubstituteMessageTables(MessageTables* tables) { return g_substitute.Exchange(tables); }

void SetOwnStringTable(OwnStringTable table) { g_ownTable.store(table, std::memory_order_release); }

OwnStringTable OwnStringTableInUse() { return g_ownTable.load(std::memory_order_acquire); }

ModuleHandle AddStringTableModule(std::string name, std::unordered_map<std::uint32_t, std::string> entries) {
  auto module = std::make_unique<StringTableModule>();
  module->name = std::move(name);
  module->entries = std::move(entries);
  std::lock_guard<std::mutex> hold(ModuleLock());
  LiveModules().insert(module.get());
  return module.release();
}

bool RemoveStringTableModule(ModuleHandle handle) {
  if (handle == nullptr) return false;
  auto* module = static_cast<const StringTableModule*>(handle);
  {
    std::lock_guard<std::mutex> hold(ModuleLock());
    if (LiveModules().erase(module) == 0) return false;
  }
  delete module;
  return true;
}

bool IsStringTableModule(ModuleHandle handle) {
  if (handle == nullptr) return false;
  std::lock_guard<std::mutex> hold(ModuleLock());
  return LiveModules().count(static_cast<const StringTableModule*>(handle)) != 0;
}

int CopyStringTableEntry(ModuleHandle handle, std::uint32_t id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  if (handle == nullptr) return 0;
  auto* module = static_cast<const StringTableModule*>(handle);
  std::lock_guard<std::mutex> hold(ModuleLock());
  if (LiveModules().count(module) == 0) return 0;
  auto it = module->entries.find(id);
  if (it == module->entries.end()) return 0;
  return CopyCutTerminate(it->second, buffer, size);
}

}  // namespace lumenrt::platform
