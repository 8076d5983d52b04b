#include "lumenrt/plugins/plugin_loading.h"

#include <atomic>
#include <list>
#include <string>

#include "lumenrt/platform/module_loader.h"
#include "lumenrt/plugins/exch/exch_entry_table.h"
#include "lumenrt/plugins/exch/internal/exch_entry_fill.h"
#include "lumenrt/plugins/internal/built_in_factories.h"
#include "lumenrt/plugins/mapi/internal/mapi_entry_fill.h"
#include "lumenrt/plugins/mapi/mapi_entry_table.h"
#include "lumenrt/plugins/module_call.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_registry.h"

namespace lumenrt {
namespace {

std::atomic<Plugins::IFactory*> g_builtInExch{nullptr};
std::atomic<Plugins::IFactory*> g_builtInMapi{nullptr};

[[noreturn]] void Refuse(const std::string& text) {
  throw Plugins::PluginException(text.c_str(), kPluginErrorCode);
}

void* ResolveExport(const char* name, void* module) { return platform::FindSymbol(module, name); }

void ClearTable(std::int32_t kind) {
  if (kind == EXCH) ClearExchEntryTable();
  if (kind == EXCHMAPI) ClearMapiEntryTable();
}

// Connects a freshly opened module; on failure the caller releases it.
Plugins::IFactory* Connect(std::int32_t kind, ModuleHandle module, const std::string& path) {
  if (kind == EXCH || kind == EXCHMAPI) {
    int filled = kind == EXCH ? FillExchEntryTable(&ResolveExport, module)
                              : FillMapiEntryTable(&ResolveExport, module);
    if (filled <= 0) {
      ClearTable(kind);
      Refuse("LoadPluginModule: " + path + " exports none of the " + kModuleTypeNames[kind] +
             " entry points.");
    }
    return BuiltInFactory(kind);
  }
  auto function = reinterpret_cast<PluginFactoryFunction>(platform::FindSymbol(module, kPluginFactoryExport));
  if (function == nullptr) {
    Refuse("LoadPluginModule: " + path + " exports no " + kPluginFactoryExport + ".");
  }
  const std::string call = "LoadPluginModule: " + std::string(kPluginFactoryExport) + " of " + path;
  Plugins::IFactory* factory = CallIntoModule(call.c_str(), function);
  if (factory == nullptr) Refuse("LoadPluginModule: the factory of " + path + " is null.");
  return factory;
}

// The record of a loaded kind, or end(). unloadAllPlugins empties the list but leaves the use
// records, so a use record alone does not mean that the module is still loaded.
std::list<LoadedModule>::iterator FindRecord(IPlugins& registry, std::int32_t kind) {
  auto entry = registry.loadedModules.begin();
  while (entry != registry.loadedModules.end() && entry->kind != kind) ++entry;
  return entry;
}

void ForgetKind(IPlugins& registry, std::int32_t kind) {
  registry.loader.uses.erase(kind);
  registry.modulePaths.erase(kind);
}

}  // namespace

Plugins::IFactory* LoadPluginModule(std::int32_t kind, const char* path) {
  if (!IsReleasableKind(kind)) {
    Refuse("LoadPluginModule: module kind " + std::to_string(kind) + " cannot be loaded (0, 1, 2 or 4).");
  }
  if (path == nullptr || *path == '\0') Refuse("LoadPluginModule: no module file given.");
  IPlugins* registry = instance();
  if (registry == nullptr) Refuse("LoadPluginModule: the plug-in registry is gone (library unloading).");
  const std::string file(path);

  auto use = registry->loader.uses.find(kind);
  if (use != registry->loader.uses.end() &&
      (use->second.useCount <= 0 || FindRecord(*registry, kind) == registry->loadedModules.end())) {
    // What unloadAllPlugins left behind of a released module.
    registry->loadedModules.remove_if([kind](const LoadedModule& entry) { return entry.kind == kind; });
    ForgetKind(*registry, kind);
    use = registry->loader.uses.end();
  }
  if (use != registry->loader.uses.end() && use->second.useCount > 0) {
    if (registry->modulePaths[kind] != file) {
      Refuse("LoadPluginModule: a " + std::string(kModuleTypeNames[kind]) +
             " module is already loaded from " + registry->modulePaths[kind] + ".");
    }
    ++use->second.useCount;
    return reinterpret_cast<Plugins::IFactory*>(use->second.value1);
  }

  ModuleHandle module = platform::LoadModule(path);
  if (module == nullptr) {
    std::string why = platform::ModuleLoadError();
    if (why.rfind(file + ": ", 0) == 0) why.erase(0, file.size() + 2);
    Refuse("LoadPluginModule: " + file + " cannot be loaded as a module" +
           (why.empty() ? "" : " (" + why + ")") + ".");
  }
  try {
    Plugins::IFactory* factory = Connect(kind, module, file);
    ModuleUse record;
    record.value1 = reinterpret_cast<Plugins::Word>(factory);
    record.useCount = 1;
    registry->modulePaths[kind] = file;
    registry->loader.uses[kind] = record;
    registry->loadedModules.push_back(LoadedModule{module, 0, kind});
    return factory;
  } catch (...) {
    ClearTable(kind);
    ForgetKind(*registry, kind);
    platform::ReleaseModule(module);
    throw;
  }
}

bool UnloadPluginModule(std::int32_t kind) {
  IPlugins* registry = instance();
  if (registry == nullptr) return false;
  auto use = registry->loader.uses.find(kind);
  auto record = FindRecord(*registry, kind);
  if (use == registry->loader.uses.end() || use->second.useCount <= 0 ||
      record == registry->loadedModules.end()) {
    // Nothing loaded, or a module already released by unloadAllPlugins: drop what is left of it.
    registry->loadedModules.remove_if([kind](const LoadedModule& entry) { return entry.kind == kind; });
    ForgetKind(*registry, kind);
    return false;
  }
  if (use->second.useCount > 1) {
    --use->second.useCount;
    return true;
  }
  registry->loader.unloadModule(record->module, record->value, record->kind);
  registry->loadedModules.erase(record);
  ForgetKind(*registry, kind);
  return true;
}

std::vector<ModuleExport> ModuleExports(std::int32_t kind) {
  std::vector<ModuleExport> exports;
  if (kind == EXCH || kind == EXCHMAPI) {
    const bool exch = kind == EXCH;
    for (int slot = 0; slot < kEntryTableSlots; ++slot) {
      const bool called = exch ? slot == kExchDispatch ||
                                     (slot >= kExchRawDskError && slot <= kExchSetRestoreOptions) ||
                                     slot == kExchGetLogObjects || slot == kExchClearLogObjects
                               : slot == kMapiSetBackupOptions || slot == kMapiSetRestoreOptions;
      exports.push_back(ModuleExport{exch ? kExchEntryNames[slot] : kMapiEntryNames[slot], called});
    }
  } else if (IsReleasableKind(kind)) {
    exports.push_back(ModuleExport{kPluginFactoryExport, true});
  }
  return exports;
}

void SetBuiltInFactories(Plugins::IFactory* exch, Plugins::IFactory* mapi) {
  g_builtInExch.store(exch, std::memory_order_release);
  g_builtInMapi.store(mapi, std::memory_order_release);
}

Plugins::IFactory* BuiltInFactory(std::int32_t kind) {
  if (kind == EXCH) return g_builtInExch.load(std::memory_order_acquire);
  if (kind == EXCHMAPI) return g_builtInMapi.load(std::memory_order_acquire);
  return nullptr;
}

}  // namespace lumenrt
