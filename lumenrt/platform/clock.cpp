#include "lumenrt/platform/clock.h"

#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<Clock> g_substitute;
}  // namespace

Clock::~Clock() = default;

Clock& CurrentClock() { return g_substitute.Current(SystemClock()); }

Clock* SubstituteClock(Clock* clock) { return g_substitute.Exchange(clock); }

std::uint64_t CurrentFileTime() { return CurrentClock().CurrentFileTime(); }

bool CurrentUtcTime(CalendarTime* out) {
  const std::uint64_t now = CurrentFileTime();
  return now != 0 && FileTimeToCalendar(now, out);
}

bool CurrentLocalZone(LocalZone* out) { return out != nullptr && CurrentClock().CurrentLocalZone(out); }

std::int64_t HighResolutionCounter() { return CurrentClock().HighResolutionCounter(); }

std::int64_t HighResolutionFrequency() { return CurrentClock().HighResolutionFrequency(); }

}  // namespace lumenrt::platform
