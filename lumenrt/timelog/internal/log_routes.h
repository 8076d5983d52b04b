// Installs the rotating log writer as the message catalogue's default log route and the time prefix
// as its prefix source. Start-up does it when the library is loaded (lumenrt/startup/startup.cpp),
// LogOpen again; calling it more often is harmless.
#pragma once

namespace lumenrt {
void InstallLogWriterRoutes();
}  // namespace lumenrt
