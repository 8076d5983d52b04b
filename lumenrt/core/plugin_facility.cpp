#include "lumenrt/core/plugin_facility.h"

namespace lumenrt {
namespace {

constexpr int kFirstPluginId = 200;
// Facility-code column of the module table, rows 0-4 (ids 200-204) and the closing empty text.
constexpr const char* kPluginFacilityCodes[] = {"EXDB", "EXMA", "MSQL", "ORCL", "ORCL", ""};
constexpr int kPluginCodeCount = sizeof(kPluginFacilityCodes) / sizeof(kPluginFacilityCodes[0]);

}  // namespace

const char* PluginFacilityCode(int pluginId) {
  if (pluginId < kFirstPluginId || pluginId >= kFirstPluginId + kPluginCodeCount) return nullptr;
  return kPluginFacilityCodes[pluginId - kFirstPluginId];
}

}  // namespace lumenrt
