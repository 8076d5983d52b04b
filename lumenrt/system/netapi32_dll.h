// NetApi32DLL: the network-management functions (shares, distributed file system, domain role),
// loaded at run time because not every system has them.
//
// Construction loads the module ("netapi32.dll" unless another name is given) through the platform's
// module loader and looks up the eight functions in the order of the fields below. The object is
// then either loaded (module and all eight entry points set) or empty (all null): a missing module or
// a missing function leaves it empty, releases anything it loaded, and is not reported. On systems
// without these functions (this one included) the default object is always empty.
//
// Users test `module` before calling any entry point; an empty module means none may be called.
//
// Ownership: the object owns the module and releases it on destruction; it cannot be copied.
// Thread safety: constructed once; afterwards the fields are read-only and the entry points may be
// called from any thread.
#pragma once

#include <cstdint>

#include "lumenrt/platform/calling_convention.h"
#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"

// The types of the published Windows interface, spelled portably.
namespace lumenrt::netapi {
using Status = std::uint32_t;  // NET_API_STATUS / DWORD
using WideChar = char16_t;     // WCHAR
using Byte = std::uint8_t;     // BYTE
using DomainInfoLevel = int;   // DSROLE_PRIMARY_DOMAIN_INFO_LEVEL
}  // namespace lumenrt::netapi

class LUMENRT_EXPORT NetApi32DLL {
 public:
  using NetDfsGetInfoFn = lumenrt::netapi::Status(LUMENRT_STDCALL*)(lumenrt::netapi::WideChar* dfsEntryPath,
                                                                    lumenrt::netapi::WideChar* serverName,
                                                                    lumenrt::netapi::WideChar* shareName,
                                                                    std::uint32_t level,
                                                                    lumenrt::netapi::Byte** buffer);
  using NetShareEnumFn = lumenrt::netapi::Status(LUMENRT_STDCALL*)(
      lumenrt::netapi::WideChar* serverName, std::uint32_t level, lumenrt::netapi::Byte** buffer,
      std::uint32_t preferredMaximumLength, std::uint32_t* entriesRead, std::uint32_t* totalEntries,
      std::uint32_t* resumeHandle);
  using NetShareGetInfoFn = lumenrt::netapi::Status(LUMENRT_STDCALL*)(lumenrt::netapi::WideChar* serverName,
                                                                      lumenrt::netapi::WideChar* netName,
                                                                      std::uint32_t level,
                                                                      lumenrt::netapi::Byte** buffer);
  using NetShareAddFn = lumenrt::netapi::Status(LUMENRT_STDCALL*)(lumenrt::netapi::WideChar* serverName,
                                                                  std::uint32_t level,
                                                                  lumenrt::netapi::Byte* buffer,
                                                                  std::uint32_t* parameterError);
  using NetShareDelFn = lumenrt::netapi::Status(LUMENRT_STDCALL*)(lumenrt::netapi::WideChar* serverName,
                                                                  lumenrt::netapi::WideChar* netName,
                                                                  std::uint32_t reserved);
  using NetApiBufferFreeFn = lumenrt::netapi::Status(LUMENRT_STDCALL*)(void* buffer);
  using DsRoleGetPrimaryDomainInformationFn = std::uint32_t(LUMENRT_STDCALL*)(
      const lumenrt::netapi::WideChar* server, lumenrt::netapi::DomainInfoLevel infoLevel,
      lumenrt::netapi::Byte** buffer);
  using DsRoleFreeMemoryFn = void(LUMENRT_STDCALL*)(void* buffer);

  static constexpr const char kDefaultModuleName[] = "netapi32.dll";

  NetApi32DLL() : NetApi32DLL(kDefaultModuleName) {}
  // Loads `moduleName` instead (a name, or a path), with the same all-or-nothing rule.
  explicit NetApi32DLL(const char* moduleName);
  ~NetApi32DLL();
  NetApi32DLL(const NetApi32DLL&) = delete;
  NetApi32DLL& operator=(const NetApi32DLL&) = delete;

  NetDfsGetInfoFn NetDfsGetInfo = nullptr;
  NetShareEnumFn NetShareEnum = nullptr;
  NetShareGetInfoFn NetShareGetInfo = nullptr;
  NetShareAddFn NetShareAdd = nullptr;
  NetShareDelFn NetShareDel = nullptr;
  NetApiBufferFreeFn NetApiBufferFree = nullptr;
  DsRoleGetPrimaryDomainInformationFn DsRoleGetPrimaryDomainInformation = nullptr;
  DsRoleFreeMemoryFn DsRoleFreeMemory = nullptr;
  ModuleHandle module = nullptr;
};
