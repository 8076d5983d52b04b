// Must NOT compile in the 32-bit Windows build (cmake/windows.cmake): a function with the C calling
// convention is not an entry point of the Exchange database module there.
#include <cstdint>
#include <type_traits>

#include "lumenrt/plugins/exch/exch_entry_table.h"

std::int32_t __cdecl CdeclProbe(std::int32_t handle);
static_assert(std::is_same_v<decltype(&CdeclProbe), lumenrt::ExchRawDskErrorFn>);
