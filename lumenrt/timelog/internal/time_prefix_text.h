// The time prefix of log lines (lumenrt/timelog/time_prefix.h) taken from a printed timestamp.
#pragma once

namespace lumenrt {
// The line prefix taken from a printed timestamp (" 7-DEC-2026 21:58:04.17 +0100" gives
// "Dec07 21:58 "): prefix receives 12 characters and a zero. Characters missing from a short
// printed text read as "?".
void TimePrefixFromTimestamp(const char* printed, char* prefix);
}  // namespace lumenrt
