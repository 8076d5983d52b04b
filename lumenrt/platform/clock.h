// Platform time services: the current UTC time with milliseconds, the local zone's offset from UTC
// with its daylight state, a high-resolution interval counter, and the conversion of a file time
// (100-nanosecond intervals since 1 January 1601 UTC) to calendar fields.
//
// Calendar fields use the proleptic Gregorian calendar with the century rule. Nothing here keeps
// state between calls; every function may run on any thread. Failures are answered with false.
//
// The readings of the clock (everything but FileTimeToCalendar, which is arithmetic) go through the
// Clock service in use: the system's unless a test substitutes its own (SubstituteClock), for
// example one that stands still. Substituting is for start-up and tests.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

namespace lumenrt::platform {

struct LUMENRT_EXPORT CalendarTime {
  int year = 0;   // 1601 to 30828 for file times
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The largest file time that converts (the top bit must be clear, as for the system it imitates).
inline constexpr std::uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFull;

// Calendar fields of a file time; false when fileTime exceeds kMaxFileTime.
LUMENRT_EXPORT bool FileTimeToCalendar(std::uint64_t fileTime, CalendarTime* out);

struct LUMENRT_EXPORT LocalZone {
  int offsetMinutes = 0;         // local time minus UTC, minutes east, daylight saving included
  bool hasDaylightRule = false;  // the zone observes daylight saving at some time of the year
  bool inDaylight = false;       // daylight saving is in force now
};

class LUMENRT_EXPORT Clock {
 public:
  virtual ~Clock();
  // The current time as a file time; 0 when the system clock cannot be read or lies before 1601.
  virtual std::uint64_t CurrentFileTime() = 0;
  // The machine's local zone now (from the TZ setting or the system's zone file); false when the
  // system cannot tell.
  virtual bool CurrentLocalZone(LocalZone* out) = 0;
  // A high-resolution counter for measuring intervals: it never goes back and advances
  // HighResolutionFrequency() counts per second. Its zero point has no meaning. Each answers 0 when
  // the system cannot tell.
  virtual std::int64_t HighResolutionCounter() = 0;
  virtual std::int64_t HighResolutionFrequency() = 0;
};

// The system's clock. Never destroyed.
LUMENRT_EXPORT Clock& SystemClock();
// The clock in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT Clock& CurrentClock();
// Sets the clock in use (null restores the system's); returns the previous substitute. The caller
// keeps ownership.
LUMENRT_EXPORT Clock* SubstituteClock(Clock* clock);

// The readings of the clock in use.
LUMENRT_EXPORT std::uint64_t CurrentFileTime();
// The current UTC time (from CurrentFileTime); false when the clock cannot be read.
LUMENRT_EXPORT bool CurrentUtcTime(CalendarTime* out);
LUMENRT_EXPORT bool CurrentLocalZone(LocalZone* out);
LUMENRT_EXPORT std::int64_t HighResolutionCounter();
LUMENRT_EXPORT std::int64_t HighResolutionFrequency();

}  // namespace lumenrt::platform

// The clock's names as callers above the platform know them.
namespace lumenrt {
using platform::CalendarTime;
using platform::CurrentFileTime;
using platform::CurrentLocalZone;
using platform::CurrentUtcTime;
using platform::FileTimeToCalendar;
using platform::HighResolutionCounter;
using platform::HighResolutionFrequency;
using platform::kMaxFileTime;
using platform::LocalZone;
}  // namespace lumenrt
