// Installs the rotating log writer as the message catalogue's default log route and the time prefix
// as its prefix source. Done when the library is loaded and on every LogOpen; start-up may call it
// too. Calling it again is harmless.
#pragma once

namespace lumenrt {
void InstallLogWriterRoutes();
}  // namespace lumenrt
