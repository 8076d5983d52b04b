// A hostile plug-in module: it raises from the place and of the kind that LUMENRT_HOSTILE names,
// "WHERE WHAT", so that tests can show that nothing a module raises takes its host down.
//   WHERE  factory (plugin_get_factory), describe (getDescription), create (each create operation),
//          call (exch_dispatch, which makes it loadable as kind 0 too)
//   WHAT   custom (a type of the module's own, with a destructor in the module), int, std
//          (std::runtime_error), plugin (Plugins::PluginException, code 7), zerror (a heap ZError)
// Without the variable, or elsewhere, it behaves: "Hostile module factory." and null objects.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/calling_convention.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/plugin_exception.h"

#ifdef _WIN32
#define HOSTILE_EXPORT extern "C" __declspec(dllexport)
#else
#define HOSTILE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Lives and dies in this module: its type description and destructor go when the module goes.
struct HostileError {
  virtual ~HostileError() { text.clear(); }
  std::string text = "hostile";
};

void MaybeRaise(const std::string& where) {
  const char* setting = std::getenv("LUMENRT_HOSTILE");
  if (setting == nullptr) return;
  const std::string s(setting);
  if (s.rfind(where + " ", 0) != 0) return;
  const std::string what = s.substr(where.size() + 1);
  if (what == "custom") throw HostileError();
  if (what == "int") throw 42;
  if (what == "std") throw std::runtime_error("hostile " + where);
  if (what == "plugin") throw Plugins::PluginException(("hostile " + where).c_str(), 7);
  if (what == "zerror") throw new ZError(86, 4099, ("hostile " + where).c_str());
}

class HostileFactory final : public Plugins::IFactory {
 public:
  void setContext(Plugins::Word) override {}
  void reserved2() override {}
  std::int32_t reserved3() override { return 1; }
  const char* getDescription() override {
    MaybeRaise("describe");
    return "Hostile module factory.";
  }
  void replaceContext(Plugins::Word) override {}
  Plugins::Word reserved6() override { return 0; }
  Plugins::IBackup* createBackup() override { return Create<Plugins::IBackup>(); }
  Plugins::IRestore2* createRestore() override { return Create<Plugins::IRestore2>(); }
  Plugins::IConfig* createConfig() override { return Create<Plugins::IConfig>(); }
  Plugins::ISelectionList* createSelectionList() override { return Create<Plugins::ISelectionList>(); }
  void releaseBackup(Plugins::IBackup*) override {}
  void releaseRestore(Plugins::IRestore*) override {}
  void releaseConfig(Plugins::IConfig*) override {}
  void releaseSelectionList(Plugins::ISelectionList*) override {}
  void releaseRestore2(Plugins::IRestore2*) override {}

 private:
  template <typename T>
  T* Create() {
    MaybeRaise("create");
    return nullptr;
  }
};

HostileFactory g_factory;

}  // namespace

HOSTILE_EXPORT Plugins::IFactory* plugin_get_factory() {
  MaybeRaise("factory");
  return &g_factory;
}

HOSTILE_EXPORT std::int32_t LUMENRT_STDCALL exch_dispatch(std::int32_t request, Plugins::Word, Plugins::Word,
                                                          Plugins::Word, Plugins::Word, Plugins::Word) {
  MaybeRaise("call");
  return request;
}
