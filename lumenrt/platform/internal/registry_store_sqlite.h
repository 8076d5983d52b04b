// The SQLite registry store behind SystemRegistryStore (lumenrt/platform/registry_store.h): the
// operations with the answers described there, and the translation of SQLite's result codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumenrt::platform {

struct RegistryValueData;

// The path set with SetRegistryStorePath; empty when none is set.
std::string SetRegistryStorePathValue();

namespace sqlite {

std::string RegistryStorePath();
int RegistryOpenKey(const char* keyPath);
int RegistryCreateKey(const char* keyPath);
int RegistryQueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                       std::uint32_t* size);
int RegistrySetValue(const char* keyPath, const char* valueName, int type, const void* data,
                     std::uint32_t size);
int RegistrySetValues(const char* keyPath, const RegistryValueData* values, std::size_t count);
int RegistryListKey(const char* keyPath, std::vector<std::string>* subkeys,
                    std::vector<std::string>* valueNames);

// errno value for a SQLite result code (primary or extended), given the system error code SQLite
// saw (0 if none): read-only and permission results give EACCES, a full disk ENOSPC, busy or locked
// EBUSY, not a database or corrupt EIO, I/O and open failures the system code when there is one.
int RegistryErrnoFromSqlite(int sqliteCode, int systemErrno);

}  // namespace sqlite
}  // namespace lumenrt::platform
