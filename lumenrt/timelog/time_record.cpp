#include "lumenrt/timelog/time_record.h"

#include <cstdlib>
#include <cstring>

#include "lumenrt/platform/clock.h"
#include "lumenrt/timelog/internal/zone_word.h"

const ZoneNameEntry ZoneNameTable[kZoneNameCount] = {
    {-600, "HST", "Hawaii Standard Time"},   {-540, "YST", "Yukon Standard Time"},
    {-480, "PST", "Pacific Standard Time"},  {-420, "MST", "Mountain Standard Time"},
    {-360, "CST", "Central Standard Time"},  {-300, "EST", "Eastern Standard Time"},
    {-240, "AST", "Atlantic Standard Time"}, {-210, "NST", "Newfoundland Standard Time"},
    {0, "GMT", "Greenwich Mean Time"},       {60, "WET", "Western Europe Time"},
    {120, "CET", "Central Europe Time"},     {180, "EET", "Eastern Europe Time"},
    {480, "SST", "Singapore Standard Time"}, {540, "JST", "Japan Standard Time"},
    {-210, "NZT", "New Zealand Time"},
};

const char* const TimeMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

namespace lumenrt {

int ZoneWordOffset(std::uint16_t zone) {
  if (zone == 0) return 0;
  const int low = zone & 0x0FFF;
  return (low & 0x0800) != 0 ? low - 0x1000 : low;
}

std::uint16_t MakeZoneWord(int minutes) {
  return static_cast<std::uint16_t>(0x1000 | (static_cast<unsigned>(minutes) & 0x0FFFu));
}

bool IsValidTimeRecord(const TimeRecord& r) {
  if (r.zone != 0) {
    if ((r.zone & 0xF000) != 0x1000) return false;
    const int offset = ZoneWordOffset(r.zone);
    if (offset < -1440 || offset > 1440) return false;
  }
  return r.year >= 1 && r.year <= 9999 && r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31 &&
         r.hour <= 23 && r.minute <= 59 && r.second <= 59 && r.hundredths <= 99 && r.tenThousandths <= 99 &&
         r.millionths <= 99;
}

}  // namespace lumenrt

int GetTimeRecord(TimeRecord* record, std::uint64_t fileTime) {
  if (record == nullptr) return 0;
  lumenrt::CalendarTime t;
  const bool ok = fileTime != 0 ? lumenrt::FileTimeToCalendar(fileTime, &t) : lumenrt::CurrentUtcTime(&t);
  if (!ok) return 0;
  *record = TimeRecord{};
  record->year = static_cast<std::int16_t>(t.year);  // at most 30828
  record->month = static_cast<std::uint8_t>(t.month);
  record->day = static_cast<std::uint8_t>(t.day);
  record->hour = static_cast<std::uint8_t>(t.hour);
  record->minute = static_cast<std::uint8_t>(t.minute);
  record->second = static_cast<std::uint8_t>(t.second);
  record->hundredths = static_cast<std::uint8_t>(t.millisecond / 10);
  record->tenThousandths = static_cast<std::uint8_t>(t.millisecond % 10 * 10);
  return 1;
}

int LocalZoneOffset() {
  lumenrt::LocalZone zone;
  if (!lumenrt::CurrentLocalZone(&zone)) return kUnknownZoneOffset;
  return zone.offsetMinutes;
}

namespace {

// Two decimal digits of 0 <= value <= 99.
void PutTwoDigits(char* at, int value) {
  at[0] = static_cast<char>('0' + value / 10);
  at[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

int FormatZoneOffset(char* text, int minutes) {
  const char sign = minutes >= 0 ? '+' : '-';
  // In 64 bits so that the magnitude of INT_MIN is representable.
  const long long magnitude = std::llabs(static_cast<long long>(minutes));
  text[0] = sign;
  if (magnitude > 99 * 60 + 59) {
    std::memcpy(text + 1, "\?\?\?\?", 5);
    return 0;
  }
  PutTwoDigits(text + 1, static_cast<int>(magnitude / 60));
  PutTwoDigits(text + 3, static_cast<int>(magnitude % 60));
  text[5] = '\0';
  return 1;
}

int DaysInMonth(int month, int year) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return year % 4 == 0 ? 29 : 28;
    default:
      return 31;
  }
}

namespace {

// "??-???-???? ??:??:??.?? +????", escaped so that no trigraph is read.
constexpr char kInvalidStamp[] = "\?\?-\?\?\?-\?\?\?\? \?\?:\?\?:\?\?.\?\? +\?\?\?\?";
static_assert(sizeof kInvalidStamp == 30);

// Moves a date one day in `step` (-1, 0 or +1) direction and brings a day past its month's end back
// into the calendar; a step of 0 only does the latter (which turns 31-FEB into 1-MAR).
void StepDay(int step, int* day, int* month, int* year) {
  *day += step;
  if (*day < 1) {
    if (--*month < 1) {
      *month = 12;
      --*year;
    }
    *day = DaysInMonth(*month, *year);
  } else if (*day > DaysInMonth(*month, *year)) {
    *day = 1;
    if (++*month > 12) {
      *month = 1;
      ++*year;
    }
  }
}

}  // namespace

int ConvertTimeZone(TimeRecord* out, const TimeRecord* in, int minutes) {
  if (out == nullptr || in == nullptr) return 0;
  if (minutes < -1440 || minutes > 1440 || !lumenrt::IsValidTimeRecord(*in)) {
    *out = *in;
    return 0;
  }
  const int d = minutes - lumenrt::ZoneWordOffset(in->zone);  // -2880..2880
  if (d == 0) {
    *out = *in;
    return 1;
  }
  int minute = in->minute + d % 60;
  int hour = in->hour + d / 60;
  if (minute > 59) {
    minute -= 60;
    ++hour;
  } else if (minute < 0) {
    minute += 60;
    --hour;
  }
  // Between two marked zones the difference reaches two days, so the hour may carry up to two days
  // either way; each day is stepped on its own.
  int dayCarry = 0;
  while (hour > 23) {
    hour -= 24;
    ++dayCarry;
  }
  while (hour < 0) {
    hour += 24;
    --dayCarry;
  }
  int day = in->day, month = in->month, year = in->year;
  const int step = dayCarry > 0 ? 1 : (dayCarry < 0 ? -1 : 0);
  StepDay(step, &day, &month, &year);
  for (int i = 1; i < std::abs(dayCarry); ++i) StepDay(step, &day, &month, &year);

  const TimeRecord source = *in;  // out may alias in
  *out = TimeRecord{};
  out->year = static_cast<std::int16_t>(year);  // 0..10000
  out->month = static_cast<std::uint8_t>(month);
  out->day = static_cast<std::uint8_t>(day);
  out->hour = static_cast<std::uint8_t>(hour);
  out->minute = static_cast<std::uint8_t>(minute);
  out->second = source.second;
  out->hundredths = source.hundredths;
  out->tenThousandths = source.tenThousandths;
  out->millionths = source.millionths;
  out->zone = minutes != 0 ? lumenrt::MakeZoneWord(minutes) : 0;
  return 1;
}

int FormatTimestamp(char* text, const TimeRecord* record, int toLocal) {
  if (record == nullptr) {
    std::memcpy(text, kInvalidStamp, sizeof kInvalidStamp);
    return 0;
  }
  TimeRecord copy = *record;
  if (toLocal != 0) {
    int z = LocalZoneOffset();
    if (z == kUnknownZoneOffset) z = 0;
    ConvertTimeZone(&copy, record, z);
  }
  if (lumenrt::IsValidTimeRecord(copy)) {
    // "%2d-%s-%04d %02d:%02d:%02d.%02d " by hand: this runs for every log line.
    PutTwoDigits(text, copy.day);
    if (text[0] == '0') text[0] = ' ';
    text[2] = '-';
    std::memcpy(text + 3, TimeMonthNames[copy.month - 1], 3);
    text[6] = '-';
    PutTwoDigits(text + 7, copy.year / 100);
    PutTwoDigits(text + 9, copy.year % 100);
    text[11] = ' ';
    PutTwoDigits(text + 12, copy.hour);
    text[14] = ':';
    PutTwoDigits(text + 15, copy.minute);
    text[17] = ':';
    PutTwoDigits(text + 18, copy.second);
    text[20] = '.';
    PutTwoDigits(text + 21, copy.hundredths);
    text[23] = ' ';
    FormatZoneOffset(text + 24, lumenrt::ZoneWordOffset(copy.zone));
    return 1;
  }
  static const TimeRecord kZero{};
  if (std::memcmp(&copy, &kZero, sizeof copy) == 0) {
    std::memcpy(text, "00-000-0000 00:00:00.00 +0000", 30);
    return 1;
  }
  std::memcpy(text, kInvalidStamp, sizeof kInvalidStamp);
  return 0;
}
