// The library's built-in format table: its format for a message number, and handing the table
// to the platform as the string table of the library's own image. Start-up does it when the library
// is loaded (lumenrt/startup/startup.cpp), the catalogue again before every lookup; calling it more
// often is harmless.
#pragma once

#include <cstdint>

namespace lumenrt {

// The library's own format for a message number, or null when it has none.
const char* BuiltInMessageFormat(std::uint32_t id);

void InstallBuiltInMessageTable();
}  // namespace lumenrt
