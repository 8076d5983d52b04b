// The module loader on Windows: LoadLibraryA, GetProcAddress, FreeLibrary.
#include <cstdio>
#include <string>

#include <windows.h>

#include "lumenrt/platform/module_loader.h"
#include "lumenrt/platform/system_error.h"

namespace lumenrt::platform {
namespace {

// Why the thread's last Load failed, in the system's words. Plain bytes: a thread_local object with
// a destructor would keep the library from ever unloading.
thread_local char t_loadError[4096];

void RememberLoadError(const char* text) { std::snprintf(t_loadError, sizeof t_loadError, "%s", text); }

class WindowsModuleLoader final : public ModuleLoader {
 public:
  ModuleHandle Load(const char* name) override {
    if (name == nullptr || name[0] == '\0') {
      RememberLoadError("no module name given");
      return nullptr;
    }
    // A module that cannot be found or loaded is answered with an empty handle, not a dialog box.
    DWORD previous = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous) != 0;
    HMODULE module = LoadLibraryA(name);
    const DWORD code = module == nullptr ? GetLastError() : 0;
    if (quiet) SetThreadErrorMode(previous, nullptr);
    if (module == nullptr) {
      char text[1024];
      if (SystemErrorTexts().SystemText(static_cast<int>(code), text, sizeof text) <= 0) {
        std::snprintf(text, sizeof text, "system error %lu", static_cast<unsigned long>(code));
      }
      RememberLoadError(text);
    } else {
      RememberLoadError("");
    }
    return module;
  }

  std::string LoadError() override { return t_loadError; }

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
