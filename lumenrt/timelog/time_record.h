// TimeRecord: the library's 16-byte time with its own zone mark, the calendar operations on it, and
// the read-only table of named time zones.
//
// Layout (bytes): 0-1 zone word (0 = no zone mark, the time counts as UTC; else 0x1000 plus the
// offset in minutes east of UTC as a 12-bit two's-complement number: +60 is 0x103C, -300 0x1ED4),
// 2-3 year, 4 month, 5 day, 6 hour, 7 minute, 8 second, 9 hundredths, 10 ten-thousandths,
// 11 millionths (each two decimal places of the second), 12-15 zero.
// A record is valid when the year is 1-9999, the month 1-12, the day 1-31 (not tested against the
// month), the hour 0-23, minute and second 0-59, bytes 9-11 0-99, and the zone word is 0 or has the
// top four bits 0x1 with an offset of -1440..1440. The all-zero record stands for no time at all.
// Printed as " 7-DEC-2026 21:58:04.17 +0100".
//
// Thread safety: the functions keep no state. Nothing here raises; bad input is answered with 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lumenrt/platform/export.h"

struct LUMENRT_EXPORT TimeRecord {
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
static_assert(offsetof(TimeRecord, year) == 2 && offsetof(TimeRecord, month) == 4 &&
              offsetof(TimeRecord, hundredths) == 9 && offsetof(TimeRecord, reserved) == 12);

// One row of the named-zone table: offset in minutes east of UTC, zero-padded abbreviation and name.
struct LUMENRT_EXPORT ZoneNameEntry {
  std::int32_t offset;
  char abbreviation[5];
  char name[35];
};
static_assert(sizeof(ZoneNameEntry) == 44, "ZoneNameEntry is a stored 44-byte row");

// The 15 named zones, from "HST" (-600) to "NZT". The "NZT" row stores -210 minutes, the same value
// as the Newfoundland row; the table is kept as it has always been stored.
inline constexpr int kZoneNameCount = 15;
extern LUMENRT_EXPORT const ZoneNameEntry ZoneNameTable[kZoneNameCount];

// Month names used in print, "JAN" to "DEC".
extern LUMENRT_EXPORT const char* const TimeMonthNames[12];

// The answer of LocalZoneOffset when the system cannot tell the zone.
inline constexpr int kUnknownZoneOffset = -2047;

// Fills record from fileTime (100-nanosecond intervals since 1 January 1601 UTC) when it is not 0,
// else from the current UTC time. The zone word is left 0; bytes 9 and 10 receive milliseconds / 10
// and (milliseconds mod 10) * 10, byte 11 is 0. Returns 1, or 0 when the time cannot be converted
// (a file time above 0x7FFFFFFFFFFFFFFF, an unreadable clock, a null record).
LUMENRT_EXPORT int GetTimeRecord(TimeRecord* record, std::uint64_t fileTime = 0);

// Offset of local time from UTC in minutes east, daylight saving included, or -2047 when the system
// cannot tell.
LUMENRT_EXPORT int LocalZoneOffset();

// Writes "+hhmm" or "-hhmm" (5 characters and a zero; text must hold 6 bytes). Returns 1. An offset
// of 100 hours or more (|minutes| > 5999) does not fit: "+????" or "-????" and 0.
LUMENRT_EXPORT int FormatZoneOffset(char* text, int minutes);

// Days of a month: 30 for months 4, 6, 9 and 11; for month 2, 29 in every year divisible by 4 (no
// century rule: 1900 and 2100 have 29) and 28 otherwise; 31 for any other value.
LUMENRT_EXPORT int DaysInMonth(int month, int year);

// out = in's moment in the zone `minutes` east of UTC; the zone word of out marks `minutes` (it stays
// 0 when minutes is 0, and a difference of 0 copies in, zone word included). Returns 1, or 0 (out =
// in) when minutes lies outside -1440..1440 or in is invalid. Carries into the year may leave out
// outside the valid years (a conversion of 31-DEC-9999 eastwards); out then prints as invalid.
LUMENRT_EXPORT int ConvertTimeZone(TimeRecord* out, const TimeRecord* in, int minutes);

// Writes the printed form (29 characters and a zero; text must hold 30 bytes). toLocal non-zero
// converts to the local zone first (offset 0 when the zone is unknown). The all-zero record prints
// "00-000-0000 00:00:00.00 +0000" and returns 1; any other invalid record prints
// "??-???-???? ??:??:??.?? +????" and returns 0.
LUMENRT_EXPORT int FormatTimestamp(char* text, const TimeRecord* record, int toLocal);
