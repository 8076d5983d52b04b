// Probe modules for the plug-in registry tests, one source built four ways:
//   PROBE_EXCH     exports two Exchange entry points (exch_dispatch, exch_raw_dsk_error);
//   PROBE_MAPI     exports one mailbox entry point (mapi_dispatch);
//   PROBE_FACTORY  exports plugin_get_factory, a factory of its own (a kind-2 or kind-4 module);
//   none of them   a shared object that is no plug-in module at all.
// When the module is freed, its exit function appends to the file named by LUMENRT_PROBE_LOG (when
// set) whether the library's entry tables were already empty at that moment
// ("exit PROBE_NAME exch=empty mapi=filled"), so a test can tell that the registry emptied a table
// before it released the module. The modules do not link the library (they find the tables by name
// in the process), so loading one never keeps the library loaded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#include <dlfcn.h>
#define PROBE_EXPORT extern "C"
#endif

#include "lumenrt/platform/calling_convention.h"
#include "lumenrt/plugins/entry_table.h"
#include "lumenrt/plugins/ifactory.h"

namespace {

// An object the library exports, looked up by name in the process: on Windows in lumenrt.dll or in
// the program itself (a test program that links the library's objects exports them).
const void* FindInProcess(const char* name) {
#ifdef _WIN32
  const HMODULE modules[] = {GetModuleHandleA(nullptr), GetModuleHandleA("lumenrt.dll")};
  for (HMODULE module : modules) {
    if (module == nullptr) continue;
    if (FARPROC address = GetProcAddress(module, name)) return reinterpret_cast<const void*>(address);
  }
  return nullptr;
#else
  return dlsym(RTLD_DEFAULT, name);
#endif
}

const char* TableState(const char* name) {
  auto* table = static_cast<const lumenrt::EntryTable*>(FindInProcess(name));
  if (table == nullptr) return "absent";
  for (void* slot : table->slots) {
    if (slot != nullptr) return "filled";
  }
  return "empty";
}

[[gnu::destructor]] void ProbeExit() {
  const char* log = std::getenv("LUMENRT_PROBE_LOG");
  if (log == nullptr) return;
  if (std::FILE* file = std::fopen(log, "ab")) {  // the same line ends on every system
    std::fprintf(file, "exit %s exch=%s mapi=%s\n", PROBE_NAME, TableState("ExchEntryTable"),
                 TableState("MapiEntryTable"));
    std::fclose(file);
  }
}

}  // namespace

#if defined(PROBE_EXCH)
PROBE_EXPORT std::int32_t LUMENRT_STDCALL exch_dispatch(std::int32_t request, Plugins::Word, Plugins::Word,
                                                        Plugins::Word, Plugins::Word, Plugins::Word) {
  return request + 1000;
}
PROBE_EXPORT std::int32_t LUMENRT_STDCALL exch_raw_dsk_error(std::int32_t) { return 0; }
#endif

#if defined(PROBE_MAPI)
PROBE_EXPORT std::int32_t mapi_dispatch() { return 7; }
#endif

#if defined(PROBE_FACTORY)
namespace {

class ProbeFactory final : public Plugins::IFactory {
 public:
  void setContext(Plugins::Word context) override { context_ = context; }
  void reserved2() override {}
  std::int32_t reserved3() override { return 1; }
  const char* getDescription() override { return "Probe module factory."; }
  void replaceContext(Plugins::Word context) override { context_ = context; }
  Plugins::Word reserved6() override { return context_; }
  Plugins::IBackup* createBackup() override { return nullptr; }
  Plugins::IRestore2* createRestore() override { return nullptr; }
  Plugins::IConfig* createConfig() override { return nullptr; }
  Plugins::ISelectionList* createSelectionList() override { return nullptr; }
  void releaseBackup(Plugins::IBackup*) override {}
  void releaseRestore(Plugins::IRestore*) override {}
  void releaseConfig(Plugins::IConfig*) override {}
  void releaseSelectionList(Plugins::ISelectionList*) override {}
  void releaseRestore2(Plugins::IRestore2*) override {}

 private:
  Plugins::Word context_ = 0;
};

ProbeFactory g_factory;

}  // namespace

PROBE_EXPORT Plugins::IFactory* plugin_get_factory() { return &g_factory; }
#endif
