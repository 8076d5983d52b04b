// Registry values below the local machine root, and 32-bit numbers under the agent's key.
//
// The values live in the registry store of the platform layer (lumenrt/platform/registry_store.h):
// same key paths and value names, registry type codes, bytes as written.
//
// Failures are reported to the default message sink with an empty severity as two messages, first
// 4320 (facility 43 "SYST") naming the key (or key, backslash and value name), then 4101 with the
// system's text for the error; nothing is raised and nothing stays allocated. A missing key or value
// is not a failure for the reads. A failed allocation reports 4109 with the number of bytes.
//
// Thread safety: no state between calls; any thread. Several processes may share the store; two
// writers of one value race, the last one wins.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

inline constexpr const char kProductKey[] = "SOFTWARE\\Orvane\\Lumenhold";
inline constexpr const char kAgentKey[] = "SOFTWARE\\Orvane\\Lumenhold\\Agent";
inline constexpr const char kConsoleKey[] = "SOFTWARE\\Orvane\\Lumenhold\\Pilotdesk";

// Registry type codes.
inline constexpr int kRegNone = 0;
inline constexpr int kRegString = 1;
inline constexpr int kRegExpandString = 2;
inline constexpr int kRegBinary = 3;
inline constexpr int kRegDword = 4;

// Size of the value in bytes (above 0) with *type set and *buffer a new (size + 1)-byte zero-filled
// copy, so that a text is always terminated; the caller frees it with FreeRegistryBuffer. 0 when the
// key or the value does not exist or the value is empty; -1 on failure (reported). On 0 or -1,
// *buffer is null. A null key path is the root, a null value name the key's default value.
LUMENRT_EXPORT int ReadRegistryValue(const char* keyPath, const char* valueName, int* type,
                                     unsigned char** buffer);
LUMENRT_EXPORT void FreeRegistryBuffer(unsigned char* buffer);

// Creates the key (and its parents) if needed and sets the value. 1, or -1 on failure, reported only
// when report != 0. A negative size, or null data with a size above 0, is a failure (EINVAL).
LUMENRT_EXPORT int WriteRegistryValue(const char* keyPath, const char* valueName, int type, const void* data,
                                      int size, int report);

// 1 with the number; 0 with defaultValue when the key or value does not exist (or is empty); -1
// with 0 on failure. A value that is not a 32-bit number (another type, or fewer than four bytes)
// is a failure reported by message 4320 alone. A value longer than four bytes gives its first four.
LUMENRT_EXPORT int ReadAgentNumber(const char* valueName, std::int32_t* number, std::int32_t defaultValue);

// Writes a 4-byte 32-bit number (little-endian, type 4) under the agent key; answers as
// WriteRegistryValue.
LUMENRT_EXPORT int WriteAgentNumber(const char* valueName, std::int32_t number, int report);
