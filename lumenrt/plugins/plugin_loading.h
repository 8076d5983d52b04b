// Loading plug-in modules for a host: opens a module file, connects it to the library and records
// it in the plug-in registry (plugin_registry.h), so that a host need not write that code itself.
//
// LoadPluginModule(kind, path) opens `path` through the platform's module loader and, by kind:
//   0 (EXCH), 1 (EXCHMAPI): fills the kind's entry table (ExchEntryTable / MapiEntryTable) by the
//       export names of its 21 slots (a missing export leaves its slot null) and answers the
//       library's own adapter factory (ExchFactoryImpl / MapiFactoryImpl, built at start-up);
//   2 (SQLSERVER_70), 4 (ORACLE_WIN32): answers the factory that the module's exported function
//       kPluginFactoryExport (`extern "C" Plugins::IFactory* plugin_get_factory(void)`) gives.
// It records a LoadedModule (in load order) and a use record with count 1. Loading a kind that is
// already loaded from the same path raises its use count and answers the same factory; from another
// path it is refused.
//
// UnloadPluginModule(kind) lowers the use count; the last holder's call releases the module through
// PluginLoader::unloadModule (which first empties the kind's entry table) and drops its records.
//
// Failure (loading): a kind other than 0, 1, 2 or 4, a null or empty path, a file that cannot be
// loaded as a module ("LoadPluginModule: PATH cannot be loaded as a module (WHY).", WHY being the
// system loader's text, platform::ModuleLoadError, without a leading "PATH: "), a kind-0/1 module that
// exports none of its table's entry points, a kind-2/4 module without a factory (or whose factory function
// answers null), a kind already loaded from another file, or a registry already destroyed at unload:
// Plugins::PluginException (code 1) whose text says which; so does anything the factory function raises
// (turned into a PluginException before the module is released, see module_call.h). Nothing stays behind
// then: the module is released, the entry table is empty and the registry holds no record of it.
//
// Ownership: factories of kinds 0 and 1 belong to the library, those of 2 and 4 to their module;
// neither may be used after the module's last UnloadPluginModule.
// Threads: the registry's rule; one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "lumenrt/platform/export.h"

namespace Plugins {
class IFactory;
}

namespace lumenrt {

inline constexpr const char kPluginFactoryExport[] = "plugin_get_factory";
using PluginFactoryFunction = Plugins::IFactory* (*)();

// An export that LoadPluginModule looks up in a module: its name, and whether the library calls it
// (a module without a called export is incomplete; the others it may leave out).
struct ModuleExport {
  const char* name;
  bool called;
};

// The exports of a module of `kind`, in slot order: the 21 entry points of kinds 0 and 1 (called:
// those the adapters call), kPluginFactoryExport for kinds 2 and 4; none for another kind.
LUMENRT_EXPORT std::vector<ModuleExport> ModuleExports(std::int32_t kind);

LUMENRT_EXPORT Plugins::IFactory* LoadPluginModule(std::int32_t kind, const char* path);

// True when a module of that kind was loaded (and its use count lowered or the module released).
LUMENRT_EXPORT bool UnloadPluginModule(std::int32_t kind);

// The adapter factory built at start-up for kind 0 (ExchFactoryImpl) or 1 (MapiFactoryImpl); null for
// any other kind, and for both while start-up has not installed them (or after teardown).
LUMENRT_EXPORT Plugins::IFactory* BuiltInFactory(std::int32_t kind);

}  // namespace lumenrt
