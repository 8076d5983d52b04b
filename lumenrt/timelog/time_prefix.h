// The time prefix of log lines and log-file messages: "Dec07 21:58 " for the current local time.
//
// The message catalogue (in the core, below this layer) reaches it through the prefix source that
// the log writer installs (lumenrt/core/internal/log_route.h).
//
// Thread safety: both functions keep no state and may run on any thread.
#pragma once

#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"

// The 12-character line prefix of the current local time: "Dec07 21:58 ". Empty only when memory
// for it cannot be had.
LUMENRT_EXPORT ZString MessageTimePrefix();

namespace lumenrt {
// The line prefix taken from a printed timestamp (" 7-DEC-2026 21:58:04.17 +0100" gives
// "Dec07 21:58 "): prefix receives 12 characters and a zero. Characters missing from a short
// printed text read as "?".
LUMENRT_EXPORT void TimePrefixFromTimestamp(const char* printed, char* prefix);
}  // namespace lumenrt
