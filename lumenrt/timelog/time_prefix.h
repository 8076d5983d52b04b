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
