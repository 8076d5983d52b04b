// IPlugins: the process-wide registry of loaded plug-in modules.
//
// There is one registry. `instance()` builds it on its first call and at that moment enters its
// destruction in the library's exit list (exit_list.h), so it is destroyed when the library unloads,
// before every object that start-up built. Destroying it unloads every module it still records
// (unloadAllPlugins); an error met there is reported to the default message destination and
// swallowed, since nothing can catch it at unload.
//
// The registry records each loaded module as a LoadedModule, in load order, and owns the loader that
// keeps the use counts and releases modules (plugin_loader.h). moduleCode answers the four-letter
// facility code of a module's messages from the module table; the message catalogue asks it through
// instance() for facility numbers above 200.
//
// Failure of unloadAllPlugins: a Plugins::PluginException from a release becomes a heap ZError
// (thrown as a pointer, the catcher owns it) with facility 86 (PLGN), message 4099 and the
// exception's text; any other exception becomes a ZError thrown BY VALUE with facility 86, message
// 4099 and the text "UNKNOWN ERROR in unloadAllPlugins()". In both cases the list keeps all its
// entries (those already released included).
//
// Threads: no lock. The first call of instance() is guarded by a plain flag and must not run on two
// threads at once; loading and unloading run on one thread at a time.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"
#include "lumenrt/plugins/plugin_loader.h"
#include "lumenrt/plugins/word.h"

// One loaded module: its handle, a value held for the loading code, its ModuleKind.
struct LoadedModule {
  ModuleHandle module = nullptr;
  Plugins::Word value = 0;
  std::int32_t kind = 0;
};

class LUMENRT_EXPORT IPlugins {
 public:
  IPlugins() = default;
  IPlugins(const IPlugins&) = delete;
  IPlugins& operator=(const IPlugins&) = delete;
  // Unloads all modules, then frees (by member order) the second map, the first map, the text, the
  // loader's records and the list.
  virtual ~IPlugins();

  // Releases every recorded module through the loader, in list order, then empties the list; true.
  bool unloadAllPlugins();

  // The facility code of module id 200 to 204 (205: the empty text closing the table), else null.
  const char* moduleCode(std::int32_t moduleId) const;

  std::list<LoadedModule> loadedModules;
  PluginLoader loader;
  // Held for the loading code; their meaning is the loading code's.
  ZString text;
  std::map<std::int32_t, Plugins::Word> firstNumbers;
  std::int32_t numberA = 0;
  bool enabled = true;
  std::int32_t numberB = 0;
  std::map<std::int32_t, Plugins::Word> secondNumbers;
  std::int32_t numberC = 4;
  std::int32_t numberD = 5;
  std::int32_t numberE = 0;
  std::int32_t numberF = 0;

  // The loading code's own: the file each loaded kind came from (plugin_loading.h).
  std::map<std::int32_t, std::string> modulePaths;
};

// The registry, built on the first call.
LUMENRT_EXPORT IPlugins* instance();
