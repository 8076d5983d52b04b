// The module loader on POSIX systems.
#include <string>

#include <dlfcn.h>

#include "lumenrt/platform/module_loader.h"

namespace lumenrt::platform {
namespace {

// Why the thread's last Load failed; dlerror() forgets its text once read.
thread_local std::string t_loadError;

class PosixModuleLoader final : public ModuleLoader {
 public:
  ModuleHandle Load(const char* name) override {
    if (name == nullptr || name[0] == '\0') {
      t_loadError = "no module name given";
      return nullptr;
    }
    dlerror();  // forget an older failure of another caller
    ModuleHandle module = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* why = dlerror();
      t_loadError = why != nullptr ? why : "the module cannot be loaded";
    } else {
      t_loadError.clear();
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
