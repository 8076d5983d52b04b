// The module loader on POSIX systems.
#include <cstdio>
#include <string>

#include <dlfcn.h>

#include "lumenrt/platform/module_loader.h"

namespace lumenrt::platform {
namespace {

// Why the thread's last Load failed (dlerror() forgets its text once read). Plain bytes: a
// thread_local object with a destructor would keep the library from ever unloading.
thread_local char t_loadError[4096];

void RememberLoadError(const char* text) { std::snprintf(t_loadError, sizeof t_loadError, "%s", text); }

class PosixModuleLoader final : public ModuleLoader {
 public:
  ModuleHandle Load(const char* name) override {
    if (name == nullptr || name[0] == '\0') {
      RememberLoadError("no module name given");
      return nullptr;
    }
    dlerror();  // forget an older failure of another caller
    ModuleHandle module = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* why = dlerror();
      RememberLoadError(why != nullptr ? why : "the module cannot be loaded");
    } else {
      RememberLoadError("");
    }
    return module;
  }

  std::string LoadError() override { return t_loadError; }

  void* FindSymbol(ModuleHandle module, const char* name) override {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
  }

  bool Release(ModuleHandle module) override { return module != nullptr && dlclose(module) == 0; }

  bool IsLoaded(const char* name) override {
    if (name == nullptr || name[0] == '\0') return false;
    void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);  // RTLD_NOLOAD still counted a reference
    return true;
  }
};

}  // namespace

ModuleLoader& SystemModuleLoader() {
  static auto* loader = new PosixModuleLoader;
  return *loader;
}

}  // namespace lumenrt::platform
