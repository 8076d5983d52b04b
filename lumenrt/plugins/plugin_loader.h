// PluginLoader: the plug-in registry's use records, one per module kind, and the release of a
// module.
//
// The loader keeps, per module kind (ModuleKind, module_table.h), a ModuleUse whose use count says
// how many holders the module of that kind has. unloadModule only reads the count: it releases the
// module when the count is exactly 1, after setting every slot of the kind's entry table to null
// (ExchEntryTable for kind 0, MapiEntryTable for kind 1), so no call can reach a freed module, and
// then sets the count to 0, so that the same module is never freed twice (a record that stays in the
// registry's list after unloadAllPlugins raised half-way). The loading code (plugin_loading.h) raises
// and lowers the count otherwise.
//
// Failure: a kind other than 0, 1, 2 or 4 (kind 3, ORACLE_8I_SOLARIS, is not a loadable module
// here) throws a default ZError (facility 0, code 0, empty text) by value. A kind without a use
// record, or whose count is not 1, releases nothing.
// Ownership: the loader owns its records, not the modules; it is held by value in the registry.
// Threads: none of its own; one thread at a time (the registry's rule).
#pragma once

#include <cstdint>
#include <map>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"
#include "lumenrt/plugins/word.h"

// Three values held for the loading code, then the use count.
struct ModuleUse {
  Plugins::Word value1 = 0;
  Plugins::Word value2 = 0;
  Plugins::Word value3 = 0;
  std::int32_t useCount = 0;
};

class LUMENRT_EXPORT PluginLoader {
 public:
  PluginLoader() = default;
  PluginLoader(const PluginLoader&) = delete;
  PluginLoader& operator=(const PluginLoader&) = delete;
  virtual ~PluginLoader();

  // value is held for the loading code and not read here.
  void unloadModule(ModuleHandle module, Plugins::Word value, std::int32_t kind);

  // Module kind -> its use record.
  std::map<std::int32_t, ModuleUse> uses;
};

namespace lumenrt {

// True for the kinds a loader can release: 0, 1, 2 and 4.
constexpr bool IsReleasableKind(std::int32_t kind) {
  return kind == 0 || kind == 1 || kind == 2 || kind == 4;
}

}  // namespace lumenrt
