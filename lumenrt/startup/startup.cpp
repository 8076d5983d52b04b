// The library's start-up and teardown, in one place: the order of the definitions below IS the
// order of building (namespace-scope objects of one file are built in definition order, and each
// enters the run-time's exit list as soon as its construction completes), and unloading destroys
// them in the reverse order. This file is the top layer: it may include every subsystem, and it
// connects the hooks through which lower layers reach higher ones, by explicit calls in one visible
// order, before any global is built.
#include "lumenrt/startup/startup.h"

#include <list>

#include "lumenrt/config/lookups.h"
#include "lumenrt/core/internal/built_in_messages.h"
#include "lumenrt/core/internal/exit_actions.h"
#include "lumenrt/core/internal/plugin_facility.h"
#include "lumenrt/core/zarray.h"
#include "lumenrt/core/zfilename.h"
#include "lumenrt/core/zstring.h"
#include "lumenrt/plugins/exch/exch_factory.h"
#include "lumenrt/plugins/internal/built_in_factories.h"
#include "lumenrt/plugins/internal/module_facility.h"
#include "lumenrt/plugins/internal/plugin_registry_state.h"
#include "lumenrt/plugins/mapi/mapi_factory.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/plugin_loading.h"
#include "lumenrt/plugins/plugin_registry.h"
#include "lumenrt/system/work_context.h"
#include "lumenrt/timelog/internal/log_routes.h"
#include "lumenrt/timelog/log_writer.h"

namespace {

// Hands "global N" to the exit observer. Each global is preceded by its mark, so the mark is
// destroyed right after the global it names.
class ExitMark {
 public:
  explicit ExitMark(const char* what) noexcept;
  ExitMark(const ExitMark&) = delete;
  ExitMark& operator=(const ExitMark&) = delete;
  ~ExitMark() { lumenrt::NoteExit(what_); }

 private:
  const char* volatile what_;
};

// Kept out of line so that every mark is built (and enters the exit list) in definition order.
[[gnu::noinline]] ExitMark::ExitMark(const char* what) noexcept : what_(what) {}

// The catalogue's facility codes of plug-in modules: through the registry while it exists; once it
// has been destroyed at unload, from the module table, so that a late message builds no new one.
const char* RegistryFacilityCode(int pluginId) {
  if (!lumenrt::PluginRegistryDestroyed()) {
    try {
      if (IPlugins* registry = instance()) return registry->moduleCode(pluginId);
    } catch (...) {
      // No memory for the registry: the table answers alike.
    }
  }
  return lumenrt::ModuleFacilityCode(pluginId);
}

// --- the hooks between the layers, in order ---
// 1. the library's own message formats, the catalogue's string table (core into platform);
// 2. the log writer as the catalogue's default route, and its time prefix (timelog into core);
// 3. the plug-in registry as the source of plug-in modules' facility codes (plugins into core).
// The two adapter factories are lent to the plug-in loader once they are built (after global 14).
// Unloading closes the log last, its lock file and the lock's shared memory with it (a host that
// loads and unloads the library again and again would otherwise keep them all), after every global
// and first-use object, so their last reports still reach the file.
struct HooksConnected {
  HooksConnected() {
    lumenrt::InstallBuiltInMessageTable();
    lumenrt::InstallLogWriterRoutes();
    lumenrt::SetPluginFacilityResolver(&RegistryFacilityCode);
  }
  HooksConnected(const HooksConnected&) = delete;
  HooksConnected& operator=(const HooksConnected&) = delete;
  ~HooksConnected() { lumenrt::LogClose(); }
} g_hooks;

// --- the 17 start-up globals, in order ---
ExitMark g_mark1("global 1");
ZString g_dollar("$");
ExitMark g_mark2("global 2");
std::list<ZString> g_textList2;
ExitMark g_mark3("global 3");
std::list<ZString> g_textList3;
ExitMark g_mark4("global 4");
WorkContext g_workContext;
ExitMark g_mark5("global 5");
ZString g_systemState("System State: ");
ExitMark g_mark6("global 6");
ZString g_systemStateRestoring("System State: restoring ");
ExitMark g_mark7("global 7");
ZArray g_array(10, 10, 1);
ExitMark g_mark8("global 8");
ZString g_text8;
ExitMark g_mark9("global 9");
ZFileName g_fileName;
ExitMark g_mark10("global 10");
ZString g_text10;
ExitMark g_mark11("global 11");

}  // namespace

ZString CurrentKeyName;

namespace {
ExitMark g_mark12("global 12");
}  // namespace

ZString CurrentKeyValue;

namespace {

ExitMark g_mark13("global 13");
MapiFactoryImpl g_mapiFactory;
ExitMark g_mark14("global 14");
ExchFactoryImpl g_exchFactory;
// Lends the two factories to the plug-in loader while they exist (not one of the 17: it holds none).
struct BuiltInFactoriesLent {
  BuiltInFactoriesLent() { lumenrt::SetBuiltInFactories(&g_exchFactory, &g_mapiFactory); }
  ~BuiltInFactoriesLent() { lumenrt::SetBuiltInFactories(nullptr, nullptr); }
  BuiltInFactoriesLent(const BuiltInFactoriesLent&) = delete;
  BuiltInFactoriesLent& operator=(const BuiltInFactoriesLent&) = delete;
} g_factoriesLent;
ExitMark g_mark15("global 15");
ZString g_text15;
ExitMark g_mark16("global 16");
ZString g_text16;
ExitMark g_mark17("global 17");
ZString g_text17;
// --- end of the start-up globals ---

}  // namespace

namespace lumenrt {

ZString* StartupText(int item) {
  switch (item) {
    case 1:
      return &g_dollar;
    case 5:
      return &g_systemState;
    case 6:
      return &g_systemStateRestoring;
    case 8:
      return &g_text8;
    case 10:
      return &g_text10;
    case 11:
      return &CurrentKeyName;
    case 12:
      return &CurrentKeyValue;
    case 15:
      return &g_text15;
    case 16:
      return &g_text16;
    case 17:
      return &g_text17;
    default:
      return nullptr;
  }
}

std::list<ZString>* StartupTextList(int item) {
  if (item == 2) return &g_textList2;
  if (item == 3) return &g_textList3;
  return nullptr;
}

WorkContext& GlobalWorkContext() { return g_workContext; }
ZArray& GlobalArray() { return g_array; }
ZFileName& GlobalFileName() { return g_fileName; }

}  // namespace lumenrt
