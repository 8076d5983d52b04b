// The platform's module loader: loads a shared module by name, looks up its exported names, and
// releases it. On Windows these are the system's library functions; here, dlopen, dlsym and dlclose.
//
// Contract:
// - `LoadModule` answers an empty handle when the module cannot be loaded (a name without a
//   directory is searched on the system's library path; a path is loaded as given). Every handle it
//   answers must be given back to `ReleaseModule` exactly once.
// - `ModuleLoadError` then tells why, in the system loader's own words: dlerror() on POSIX ("x.so:
//   undefined symbol: foo", "...: No such file or directory"), the system's text of GetLastError on
//   Windows ("The specified module could not be found."). It answers the last failed load of the
//   calling thread, and is empty when that thread's last load succeeded (or none was made).
// - `FindSymbol` answers null for a missing name or an empty module handle.
// - `IsModuleLoaded` tells whether a module is currently loaded in the process, without loading it
//   (for tests and diagnostics).
// - Nothing here reports or raises. The functions may be called from any thread.
//
// The free functions go through the ModuleLoader in use: the system's unless a test substitutes its
// own (SubstituteModuleLoader), for example one that refuses a chosen module. Substituting is for
// start-up and tests, while no module it would have to release is loaded.
#pragma once

#include <string>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"

namespace lumenrt::platform {

class LUMENRT_EXPORT ModuleLoader {
 public:
  virtual ~ModuleLoader();
  virtual ModuleHandle Load(const char* name) = 0;
  virtual void* FindSymbol(ModuleHandle module, const char* name) = 0;
  virtual bool Release(ModuleHandle module) = 0;
  virtual bool IsLoaded(const char* name) = 0;
  // Why the calling thread's last Load answered an empty handle (see ModuleLoadError). A loader that
  // keeps no such text answers an empty one.
  virtual std::string LoadError();
};

// The system's loader. Never destroyed.
LUMENRT_EXPORT ModuleLoader& SystemModuleLoader();
// The loader in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT ModuleLoader& CurrentModuleLoader();
// Sets the loader in use (null restores the system's); returns the previous substitute. The caller
// keeps ownership.
LUMENRT_EXPORT ModuleLoader* SubstituteModuleLoader(ModuleLoader* loader);

LUMENRT_EXPORT ModuleHandle LoadModule(const char* name);
LUMENRT_EXPORT void* FindSymbol(ModuleHandle module, const char* name);
// True when the handle was released (an empty handle releases nothing and answers false).
LUMENRT_EXPORT bool ReleaseModule(ModuleHandle module);
LUMENRT_EXPORT bool IsModuleLoaded(const char* name);
LUMENRT_EXPORT std::string ModuleLoadError();

}  // namespace lumenrt::platform
