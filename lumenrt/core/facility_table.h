// The facility table and the global message table: frozen data the message catalogue and the agent
// read.
//
// Facility table: 93 rows of 12 bytes, indexed by facility number 0 to 92. A row holds a facility
// code of exactly four characters (short words padded with blanks, "FLM ", "SS  ", row 89 four
// blanks) followed by zero bytes. Two codes appear twice: "AGNT" (1 and 3) and "PMGR" (56 and 66).
// Facility numbers above 200 are plug-in identifiers, answered by the plug-in registry
// (plugin_facility.h).
//
// Global message table: 8 rows of 80 characters, each shaped identifier, ", ", text, without the
// facility and severity head. The library keeps it for the agent and reads none of it.
//
// Thread safety: read-only data; any thread.
#pragma once

#include "lumenrt/platform/export.h"

namespace lumenrt {

inline constexpr int kFacilityCount = 93;
inline constexpr int kFacilityRowSize = 12;
extern LUMENRT_EXPORT const char kFacilityTable[kFacilityCount][kFacilityRowSize];

inline constexpr int kGlobalMessageCount = 8;
inline constexpr int kGlobalMessageRowSize = 80;
extern LUMENRT_EXPORT const char kGlobalMessageTable[kGlobalMessageCount][kGlobalMessageRowSize];

// The code printed for a facility number that names nothing: numbers below 0, 93 to 200 (no row),
// and plug-in identifiers the registry does not know.
inline constexpr const char kUnknownFacilityCode[] = "????";

// The four-character code of a facility number: the table row for 0 to 92; for numbers above 200
// the plug-in registry's code (201 "EXMA", 202 "MSQL", 203 and 204 "ORCL", 205 the empty text that
// closes the registry's list); kUnknownFacilityCode for everything else. Never null.
LUMENRT_EXPORT const char* FacilityCode(int facility);

}  // namespace lumenrt
