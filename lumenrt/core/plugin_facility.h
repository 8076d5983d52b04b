// The facility code of a plug-in module's messages, by plug-in identifier.
//
// Facility numbers above 200 are plug-in identifiers. Their codes are the facility-code column of
// the plug-in module table: 200 "EXDB", 201 "EXMA", 202 "MSQL", 203 and 204 "ORCL"; the column is
// closed by an empty text, which is what 205 answers. The plug-in registry's moduleCode gives the
// same answers; until the registry exists this function reads its own copy of the column.
//
// Thread safety: read-only data; any thread.
#pragma once

#include "lumenrt/platform/export.h"

namespace lumenrt {

// The code for a plug-in identifier 200 to 205 (205: ""), or null for any other number.
LUMENRT_EXPORT const char* PluginFacilityCode(int pluginId);

}  // namespace lumenrt
