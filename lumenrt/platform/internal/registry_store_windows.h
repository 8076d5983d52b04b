// The one call through which the Windows registry store writes a value (RegSetValueExA; answers 0 or
// an errno value). The registry has no transactions: a group of values whose later value cannot be set
// is undone by the store itself, value by value, and the tests replace this call to make a write fail
// part-way through a group.
#pragma once

#include <cstdint>

#include <windows.h>

namespace lumenrt::platform {

using RegistryValueWriter = int (*)(HKEY key, const char* name, int type, const void* data,
                                    std::uint32_t size);

// Installs `writer` (null: the system's) and returns the one it replaces. Not for concurrent use with
// the store.
RegistryValueWriter SetRegistryValueWriter(RegistryValueWriter writer);

}  // namespace lumenrt::platform
