// Registry values below the local machine root, and 32-bit numbers under the agent's key.
//
// Failures are reported to the default message sink as two messages, first 4320 (facility 43
// "SYST") naming the key (or key, backslash and value name), then 4101 with the system's text for
// the error; nothing is raised. A missing key or value is not a failure for the reads.
//
// Thread safety: no state between calls; any thread. Several processes may share the store.
#pragma once

#include <cstdint>

inline constexpr const char kProductKey[] = "SOFTWARE\\Orvane\\Lumenhold";
inline constexpr const char kAgentKey[] = "SOFTWARE\\Orvane\\Lumenhold\\Agent";
inline constexpr const char kConsoleKey[] = "SOFTWARE\\Orvane\\Lumenhold\\Pilotdesk";

// Registry type codes.
inline constexpr int kRegNone = 0;
inline constexpr int kRegString = 1;
inline constexpr int kRegExpandString = 2;
inline constexpr int kRegBinary = 3;
inline constexpr int kRegDword = 4;

// Size of the value in bytes (above 0) with *buffer a new (size + 1)-byte zero-filled copy that the
// caller frees with FreeRegistryBuffer; 0 when the key or value does not exist or the value is
// empty; -1 on failure. On 0 or -1, *buffer is null.
int ReadRegistryValue(const char* keyPath, const char* valueName, int* type, unsigned char** buffer);
void FreeRegistryBuffer(unsigned char* buffer);

// Creates the key if needed and sets the value. 1, or -1 on failure (reported when report != 0).
int WriteRegistryValue(const char* keyPath, const char* valueName, int type, const void* data, int size,
                       int report);

// 1 with the number; 0 with defaultValue when the key or value does not exist; -1 with 0 on failure
// (a value that is not a 32-bit number is a failure).
int ReadAgentNumber(const char* valueName, std::int32_t* number, std::int32_t defaultValue);

// Writes a 4-byte 32-bit number under the agent key; answers as WriteRegistryValue.
int WriteAgentNumber(const char* valueName, std::int32_t number, int report);
