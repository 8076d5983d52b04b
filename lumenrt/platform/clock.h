// Platform time services: the current UTC time with milliseconds, the local zone's offset from UTC
// with its daylight state, a high-resolution interval counter, and the conversion of a file time
// (100-nanosecond intervals since 1 January 1601 UTC) to calendar fields.
//
// Calendar fields use the proleptic Gregorian calendar with the century rule. Nothing here keeps
// state between calls; every function may run on any thread. Failures are answered with false.
#pragma once

#include <cstdint>

namespace lumenrt {

struct CalendarTime {
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
bool FileTimeToCalendar(std::uint64_t fileTime, CalendarTime* out);

// The current time as a file time; 0 when the system clock cannot be read or lies before 1601.
std::uint64_t CurrentFileTime();

// The current UTC time; false when the system clock cannot be read.
bool CurrentUtcTime(CalendarTime* out);

struct LocalZone {
  int offsetMinutes = 0;         // local time minus UTC, minutes east, daylight saving included
  bool hasDaylightRule = false;  // the zone observes daylight saving at some time of the year
  bool inDaylight = false;       // daylight saving is in force now
};

// The machine's local zone now (from the TZ setting or the system's zone file); false when the
// system cannot tell.
bool CurrentLocalZone(LocalZone* out);

// A high-resolution counter for measuring intervals: it never goes back and advances
// HighResolutionFrequency() counts per second. Its zero point has no meaning.
std::int64_t HighResolutionCounter();
std::int64_t HighResolutionFrequency();

}  // namespace lumenrt
