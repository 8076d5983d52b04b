#include <time.h>

#include "lumenrt/platform/clock.h"

namespace lumenrt::platform {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kTicksPerDay = kTicksPerSecond * 86400;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochSeconds = 11644473600;

// Civil date of a day count relative to 1970-01-01 (Howard Hinnant's algorithm; exact for every
// 64-bit day count used here).
void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;                                       // [0, 146096]
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
  const std::int64_t mp = (5 * doy + 2) / 153;                                     // [0, 11]
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;                             // [1, 31]
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;                                // [1, 12]
  *year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

}  // namespace

bool FileTimeToCalendar(std::uint64_t fileTime, CalendarTime* out) {
  if (out == nullptr || fileTime > kMaxFileTime) return false;
  const std::uint64_t days = fileTime / kTicksPerDay;
  const std::uint64_t rest = fileTime % kTicksPerDay;
  // 1601-01-01 lies 134774 days before 1970-01-01.
  CivilFromDays(static_cast<std::int64_t>(days) - 134774, &out->year, &out->month, &out->day);
  const std::uint64_t seconds = rest / kTicksPerSecond;
  out->hour = static_cast<int>(seconds / 3600);
  out->minute = static_cast<int>(seconds / 60 % 60);
  out->second = static_cast<int>(seconds % 60);
  out->millisecond = static_cast<int>(rest % kTicksPerSecond / 10000);
  return true;
}

namespace {

class PosixClock final : public Clock {
 public:
  std::uint64_t CurrentFileTime() override {
    timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
    const std::int64_t seconds = static_cast<std::int64_t>(now.tv_sec) + kUnixEpochSeconds;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
           static_cast<std::uint64_t>(now.tv_nsec) / 100;
  }

  bool CurrentLocalZone(LocalZone* out) override {
    if (out == nullptr) return false;
    const time_t now = time(nullptr);
    if (now == static_cast<time_t>(-1)) return false;
    tm local{};
    if (localtime_r(&now, &local) == nullptr) return false;
    // The zone globals are set when localtime_r first loads the zone; a process that changes TZ
    // afterwards calls tzset itself.
    out->offsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
    out->inDaylight = local.tm_isdst > 0;
    out->hasDaylightRule = daylight != 0 || out->inDaylight;
    return true;
  }

  std::int64_t HighResolutionCounter() override {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  }

  std::int64_t HighResolutionFrequency() override { return 1000000000; }
};

}  // namespace

Clock& SystemClock() {
  static auto* clock = new PosixClock;
  return *clock;
}

}  // namespace lumenrt::platform
