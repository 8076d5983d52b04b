// TimeRecord: the library's 16-byte time with its own zone mark, and the calendar operations on it.
//
// Layout (bytes): 0-1 zone word (0 = no zone mark, else 0x1000 plus the offset in minutes east of
// UTC as a 12-bit two's-complement number), 2-3 year, 4 month, 5 day, 6 hour, 7 minute, 8 second,
// 9 hundredths, 10 ten-thousandths, 11 millionths (each two decimal places of the second), 12-15 zero.
// Printed as " 7-DEC-2026 21:58:04.17 +0100".
//
// Thread safety: the functions keep no state.
#pragma once

#include <cstdint>

struct TimeRecord {
  std::uint16_t zone;
  std::int16_t year;
  std::uint8_t month;
  std::uint8_t day;
  std::uint8_t hour;
  std::uint8_t minute;
  std::uint8_t second;
  std::uint8_t hundredths;
  std::uint8_t tenThousandths;
  std::uint8_t millionths;
  std::uint8_t reserved[4];
};
static_assert(sizeof(TimeRecord) == 16, "TimeRecord is a stored 16-byte layout");

// Fills record from fileTime (100-nanosecond intervals since 1 January 1601 UTC) when it is not 0,
// else from the current UTC time. The zone word is left 0. Returns 1, or 0 when fileTime cannot be
// converted.
int GetTimeRecord(TimeRecord* record, std::uint64_t fileTime = 0);

// Offset of local time from UTC in minutes east, or -2047 when the system cannot tell.
int LocalZoneOffset();

// Writes "+hhmm" or "-hhmm" (5 characters and a zero). Returns 1.
int FormatZoneOffset(char* text, int minutes);

// Days of a month; February has 29 days in every year divisible by 4 (no century rule).
int DaysInMonth(int month, int year);

// out = in's moment in the zone `minutes` east of UTC. Returns 1, or 0 (out = in) when minutes lies
// outside -1440..1440 or in is invalid.
int ConvertTimeZone(TimeRecord* out, const TimeRecord* in, int minutes);

// Writes the printed form (29 characters and a zero; text must hold 30 bytes). toLocal non-zero
// converts to the local zone first. Returns 1, or 0 for an invalid record ("??-???-???? ...").
int FormatTimestamp(char* text, const TimeRecord* record, int toLocal);
