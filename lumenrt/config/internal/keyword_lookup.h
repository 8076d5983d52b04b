// Searches of the command-line keyword tables (lumenrt/config/keywords.h).
#pragma once

#include "lumenrt/config/keywords.h"

namespace lumenrt {

// The command row with this keyword (exact, upper case), or null.
const CommandKeyword* FindCommandKeyword(const char* keyword);

// The first switch row with this keyword (exact, upper case) under commandId; null when none. Rows of
// command 0 are not included: ask for command 0 to find those.
const SwitchKeyword* FindSwitchKeyword(int commandId, const char* keyword);

}  // namespace lumenrt
