// The message catalogue's routes into the layers above it.
//
// The catalogue hands lines that have no sink of their own to a default route, and starts the lines
// it writes to a log file with a time prefix; both live above the core (the rotating log writer and
// the clock). Whoever provides them installs them here: start-up connects the log writer's when the
// library is loaded (lumenrt/startup/startup.cpp, lumenrt/timelog/internal/log_routes.h).
//
// Without a route a line that would go to it is lost; without a prefix source the prefix is empty.
//
// Thread safety: installing and reading are atomic; install at start-up, before messages flow.
#pragma once

#include "lumenrt/core/zstring.h"

namespace lumenrt {

// Writes one line (without its line feed) on a channel; answers 1.
using DefaultLogRoute = int (*)(int channel, const char* text);
// The 12-character prefix of a log line for the current time.
using TimePrefixSource = ZString (*)();

// Install a route or source (null removes it); each returns the one installed before.
DefaultLogRoute SetDefaultLogRoute(DefaultLogRoute route);
TimePrefixSource SetTimePrefixSource(TimePrefixSource source);

// What the catalogue uses: the installed route (false when none) and source (empty without one).
bool RouteToDefaultLog(int channel, const char* text);
ZString CurrentTimePrefix();

}  // namespace lumenrt
