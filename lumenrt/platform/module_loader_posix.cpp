// The module loader on POSIX systems.
#include <dlfcn.h>

#include "lumenrt/platform/module_loader.h"

namespace lumenrt::platform {
namespace {

class PosixModuleLoader final : public ModuleLoader {
 public:
  ModuleHandle Load(const char* name) override {
    if (name == nullptr || name[0] == '\0') return nullptr;
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
  }

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
