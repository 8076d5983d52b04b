#include "lumenrt/core/internal/plugin_facility.h"

#include <atomic>

namespace lumenrt {
namespace {

constinit std::atomic<PluginFacilityResolver> g_resolver{nullptr};

}  // namespace

const char* PluginFacilityCode(int pluginId) {
  PluginFacilityResolver resolver = g_resolver.load(std::memory_order_acquire);
  return resolver != nullptr ? resolver(pluginId) : nullptr;
}

PluginFacilityResolver SetPluginFacilityResolver(PluginFacilityResolver resolver) {
  return g_resolver.exchange(resolver, std::memory_order_acq_rel);
}

}  // namespace lumenrt
