#include "lumenrt/system/netapi32_dll.h"

#include "lumenrt/platform/module_loader.h"

namespace {

template <typename Fn>
bool Resolve(ModuleHandle module, const char* name, Fn* field) {
  void* address = lumenrt::platform::FindSymbol(module, name);
  *field = reinterpret_cast<Fn>(address);
  return address != nullptr;
}

}  // namespace

NetApi32DLL::NetApi32DLL(const char* moduleName) {
  ModuleHandle loaded = lumenrt::platform::LoadModule(moduleName);
  if (loaded == nullptr) return;
  // In this order; the first missing name ends the lookups.
  const bool complete =
      Resolve(loaded, "NetDfsGetInfo", &NetDfsGetInfo) && Resolve(loaded, "NetShareEnum", &NetShareEnum) &&
      Resolve(loaded, "NetShareGetInfo", &NetShareGetInfo) && Resolve(loaded, "NetShareAdd", &NetShareAdd) &&
      Resolve(loaded, "NetShareDel", &NetShareDel) &&
      Resolve(loaded, "NetApiBufferFree", &NetApiBufferFree) &&
      Resolve(loaded, "DsRoleGetPrimaryDomainInformation", &DsRoleGetPrimaryDomainInformation) &&
      Resolve(loaded, "DsRoleFreeMemory", &DsRoleFreeMemory);
  if (!complete) {
    lumenrt::platform::ReleaseModule(loaded);
    NetDfsGetInfo = nullptr;
    NetShareEnum = nullptr;
    NetShareGetInfo = nullptr;
    NetShareAdd = nullptr;
    NetShareDel = nullptr;
    NetApiBufferFree = nullptr;
    DsRoleGetPrimaryDomainInformation = nullptr;
    DsRoleFreeMemory = nullptr;
    return;
  }
  module = loaded;
}

NetApi32DLL::~NetApi32DLL() {
  if (module != nullptr) lumenrt::platform::ReleaseModule(module);
}
