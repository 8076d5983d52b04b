// The facility code of a module id as the module table (lumenrt/plugins/module_table.h) gives it;
// what IPlugins::moduleCode and the message catalogue's plug-in facilities answer.
#pragma once

#include <cstdint>

namespace lumenrt {

// The facility code of a module id: the row's code for 200 to 204, the closing empty text for 205,
// null for every other number.
const char* ModuleFacilityCode(std::int32_t moduleId);

}  // namespace lumenrt
