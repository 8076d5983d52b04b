#include "lumenrt/plugins/plugin_loader.h"

#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/module_loader.h"
#include "lumenrt/plugins/exch/exch_entry_table.h"
#include "lumenrt/plugins/exch/internal/exch_entry_fill.h"
#include "lumenrt/plugins/mapi/internal/mapi_entry_fill.h"
#include "lumenrt/plugins/mapi/mapi_entry_table.h"
#include "lumenrt/plugins/module_table.h"

PluginLoader::~PluginLoader() = default;

void PluginLoader::unloadModule(ModuleHandle module, Plugins::Word /*value*/, std::int32_t kind) {
  if (!lumenrt::IsReleasableKind(kind)) throw ZError();
  auto use = uses.find(kind);
  if (use == uses.end() || use->second.useCount != 1) return;
  // The table goes first: once the module is freed its addresses point nowhere.
  if (kind == EXCH) lumenrt::ClearExchEntryTable();
  if (kind == EXCHMAPI) lumenrt::ClearMapiEntryTable();
  lumenrt::platform::ReleaseModule(module);
  // A released module has no holder left: a second call for the same record (unloadAllPlugins
  // again after it raised half-way) must not free the handle twice.
  use->second.useCount = 0;
}
