// The platform's module loader: loads a shared module by name, looks up its exported names, and
// releases it. On Windows these are the system's library functions; here, dlopen, dlsym and dlclose.
//
// Contract:
// - `LoadModule` answers an empty handle when the module cannot be loaded (a name without a
//   directory is searched on the system's library path; a path is loaded as given). Every handle it
//   answers must be given back to `ReleaseModule` exactly once.
// - `FindSymbol` answers null for a missing name or an empty module handle.
// - `IsModuleLoaded` tells whether a module is currently loaded in the process, without loading it
//   (for tests and diagnostics).
// - Nothing here reports or raises. The functions may be called from any thread.
#pragma once

#include "lumenrt/platform/module_handle.h"

namespace lumenrt::platform {

ModuleHandle LoadModule(const char* name);
void* FindSymbol(ModuleHandle module, const char* name);
// True when the handle was released (an empty handle releases nothing and answers false).
bool ReleaseModule(ModuleHandle module);
bool IsModuleLoaded(const char* name);

}  // namespace lumenrt::platform
