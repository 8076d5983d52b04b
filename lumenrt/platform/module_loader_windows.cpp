// The module loader on Windows: LoadLibraryA, GetProcAddress, FreeLibrary.
#include <windows.h>

#include "lumenrt/platform/module_loader.h"

namespace lumenrt::platform {
namespace {

class WindowsModuleLoader final : public ModuleLoader {
 public:
  ModuleHandle Load(const char* name) override {
    if (name == nullptr || name[0] == '\0') return nullptr;
    // A module that cannot be found or loaded is answered with an empty handle, not a dialog box.
    DWORD previous = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous) != 0;
    HMODULE module = LoadLibraryA(name);
    if (quiet) SetThreadErrorMode(previous, nullptr);
    return module;
  }

  void* FindSymbol(ModuleHandle module, const char* name) override {
    if (module == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
  }

  bool Release(ModuleHandle module) override {
    return module != nullptr && FreeLibrary(static_cast<HMODULE>(module)) != 0;
  }

  // GetModuleHandleA takes no reference, so nothing is to be given back.
  bool IsLoaded(const char* name) override {
    return name != nullptr && name[0] != '\0' && GetModuleHandleA(name) != nullptr;
  }
};

}  // namespace

ModuleLoader& SystemModuleLoader() {
  static auto* loader = new WindowsModuleLoader;
  return *loader;
}

}  // namespace lumenrt::platform
