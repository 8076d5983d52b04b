// The clock on Windows: GetSystemTimeAsFileTime, GetTimeZoneInformation, the performance counter.
// File times convert with FileTimeToSystemTime, which covers the same range as the arithmetic of the
// other systems (the top bit clear).
#include <windows.h>

#include "lumenrt/platform/clock.h"

namespace lumenrt::platform {

bool FileTimeToCalendar(std::uint64_t fileTime, CalendarTime* out) {
  if (out == nullptr || fileTime > kMaxFileTime) return false;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(fileTime);
  ft.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return false;
  out->year = st.wYear;
  out->month = st.wMonth;
  out->day = st.wDay;
  out->hour = st.wHour;
  out->minute = st.wMinute;
  out->second = st.wSecond;
  out->millisecond = st.wMilliseconds;
  return true;
}

namespace {

class WindowsClock final : public Clock {
 public:
  std::uint64_t CurrentFileTime() override {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  }

  // The zone's biases are minutes west of UTC; the offset here is minutes east.
  bool CurrentLocalZone(LocalZone* out) override {
    if (out == nullptr) return false;
    TIME_ZONE_INFORMATION zone{};
    const DWORD state = GetTimeZoneInformation(&zone);
    if (state == TIME_ZONE_ID_INVALID) return false;
    long bias = zone.Bias;
    if (state == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (state == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    out->offsetMinutes = static_cast<int>(-bias);
    out->inDaylight = state == TIME_ZONE_ID_DAYLIGHT;
    // A zone without a daylight rule has no transition date (month 0) and answers TIME_ZONE_ID_UNKNOWN.
    out->hasDaylightRule = state != TIME_ZONE_ID_UNKNOWN && zone.DaylightDate.wMonth != 0;
    return true;
  }

  std::int64_t HighResolutionCounter() override {
    LARGE_INTEGER now;
    if (!QueryPerformanceCounter(&now)) return 0;
    return now.QuadPart;
  }

  std::int64_t HighResolutionFrequency() override {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency)) return 0;
    return frequency.QuadPart;
  }
};

}  // namespace

Clock& SystemClock() {
  static auto* clock = new WindowsClock;
  return *clock;
}

}  // namespace lumenrt::platform
