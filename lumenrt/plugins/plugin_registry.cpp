#include "lumenrt/plugins/plugin_registry.h"

#include <new>

#include "lumenrt/core/internal/exit_actions.h"
#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/plugins/internal/module_facility.h"
#include "lumenrt/plugins/internal/plugin_registry_state.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace {

constexpr int kPlgnFacility = 86;

// The registry lives in static storage rather than as a function-local static so that its
// destruction is an explicit exit action that can be observed and that leaves a flag behind.
alignas(IPlugins) unsigned char g_storage[sizeof(IPlugins)];
IPlugins* g_registry = nullptr;
bool g_destroyed = false;

void DestroyRegistry() {
  IPlugins* registry = g_registry;
  g_registry = nullptr;
  g_destroyed = true;
  if (registry != nullptr) registry->~IPlugins();
  lumenrt::NoteExit("plug-in registry");
}

}  // namespace

IPlugins::~IPlugins() {
  // Nothing can catch at unload: report what unloading raised and go on freeing.
  try {
    unloadAllPlugins();
  } catch (ZError* error) {
    error->Report(nullptr);
    delete error;
  } catch (const ZError& error) {
    error.Report(nullptr);
  }
}

bool IPlugins::unloadAllPlugins() {
  try {
    for (const LoadedModule& entry : loadedModules)
      loader.unloadModule(entry.module, entry.value, entry.kind);
  } catch (const Plugins::PluginException& exception) {
    throw new ZError(kPlgnFacility, lumenrt::kMessagePluginUnload, exception.message);
  } catch (ZError* error) {
    delete error;
    throw ZError(kPlgnFacility, lumenrt::kMessagePluginUnload, "UNKNOWN ERROR in unloadAllPlugins()");
  } catch (...) {
    throw ZError(kPlgnFacility, lumenrt::kMessagePluginUnload, "UNKNOWN ERROR in unloadAllPlugins()");
  }
  loadedModules.clear();
  return true;
}

const char* IPlugins::moduleCode(std::int32_t moduleId) const {
  return lumenrt::ModuleFacilityCode(moduleId);
}

IPlugins* instance() {
  if (g_registry == nullptr && !g_destroyed) {
    auto* registry = new (g_storage) IPlugins;
    try {
      lumenrt::AddExitAction(&DestroyRegistry);
    } catch (...) {
      registry->~IPlugins();
      throw;
    }
    g_registry = registry;
  }
  return g_registry;
}

namespace lumenrt {

bool PluginRegistryDestroyed() { return g_destroyed; }

}  // namespace lumenrt
