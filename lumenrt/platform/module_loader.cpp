#include "lumenrt/platform/module_loader.h"

#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<ModuleLoader> g_substitute;
}  // namespace

ModuleLoader::~ModuleLoader() = default;

std::string ModuleLoader::LoadError() { return {}; }

ModuleLoader& CurrentModuleLoader() { return g_substitute.Current(SystemModuleLoader()); }

ModuleLoader* SubstituteModuleLoader(ModuleLoader* loader) { return g_substitute.Exchange(loader); }

ModuleHandle LoadModule(const char* name) { return CurrentModuleLoader().Load(name); }

void* FindSymbol(ModuleHandle module, const char* name) {
  return CurrentModuleLoader().FindSymbol(module, name);
}

bool ReleaseModule(ModuleHandle module) { return CurrentModuleLoader().Release(module); }

bool IsModuleLoaded(const char* name) { return CurrentModuleLoader().IsLoaded(name); }

std::string ModuleLoadError() { return CurrentModuleLoader().LoadError(); }

}  // namespace lumenrt::platform
