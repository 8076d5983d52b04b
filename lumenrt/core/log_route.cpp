#include "lumenrt/core/internal/log_route.h"

#include <atomic>

namespace lumenrt {
namespace {
constinit std::atomic<DefaultLogRoute> g_route{nullptr};
constinit std::atomic<TimePrefixSource> g_prefix{nullptr};
}  // namespace

DefaultLogRoute SetDefaultLogRoute(DefaultLogRoute route) { return g_route.exchange(route); }

TimePrefixSource SetTimePrefixSource(TimePrefixSource source) { return g_prefix.exchange(source); }

bool RouteToDefaultLog(int channel, const char* text) {
  DefaultLogRoute route = g_route.load(std::memory_order_acquire);
  if (route == nullptr) return false;
  route(channel, text);
  return true;
}

ZString CurrentTimePrefix() {
  TimePrefixSource source = g_prefix.load(std::memory_order_acquire);
  return source != nullptr ? source() : ZString();
}

}  // namespace lumenrt
