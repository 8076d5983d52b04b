// Hands the library's built-in format table (BuiltInMessageFormat, lumenrt/core/message_format.h)
// to the platform as the string table of the library's own image. Start-up does it when the library
// is loaded (lumenrt/startup/startup.cpp), the catalogue again before every lookup; calling it more
// often is harmless.
#pragma once

namespace lumenrt {
void InstallBuiltInMessageTable();
}  // namespace lumenrt
