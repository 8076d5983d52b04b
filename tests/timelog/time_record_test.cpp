#include "lumenrt/timelog/time_record.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/timelog/internal/zone_word.h"

namespace {

// "??-???-???? ??:??:??.?? +????" without trigraphs.
constexpr char kInvalid[] = "\?\?-\?\?\?-\?\?\?\? \?\?:\?\?:\?\?.\?\? +\?\?\?\?";

TimeRecord Make(int year, int month, int day, int hour, int minute, std::uint16_t zone = 0) {
  TimeRecord r{};
  r.zone = zone;
  r.year = static_cast<std::int16_t>(year);
  r.month = static_cast<std::uint8_t>(month);
  r.day = static_cast<std::uint8_t>(day);
  r.hour = static_cast<std::uint8_t>(hour);
  r.minute = static_cast<std::uint8_t>(minute);
  r.second = 4;
  r.hundredths = 17;
  return r;
}

std::string Stamp(const TimeRecord& r, int toLocal = 0, int* result = nullptr) {
  char text[30];
  const int rc = FormatTimestamp(text, &r, toLocal);
  if (result != nullptr) *result = rc;
  return text;
}

TEST(TimeRecord, StoredLayoutAndZoneTable) {
  const TimeRecord r = Make(2026, 12, 7, 21, 58, 0x103C);
  unsigned char bytes[16];
  std::memcpy(bytes, &r, 16);
  const unsigned char expected[16] = {0x3C, 0x10, 0xEA, 0x07, 12, 7, 21, 58, 4, 17, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes, expected, 16), 0);

  EXPECT_EQ(sizeof ZoneNameTable, 15u * 44u);
  EXPECT_EQ(ZoneNameTable[0].offset, -600);
  EXPECT_STREQ(ZoneNameTable[7].abbreviation, "NST");
  EXPECT_STREQ(ZoneNameTable[7].name, "Newfoundland Standard Time");
  EXPECT_STREQ(ZoneNameTable[14].abbreviation, "NZT");
  EXPECT_EQ(ZoneNameTable[14].offset, -210);
  EXPECT_EQ(ZoneNameTable[14].name[34], '\0');
}

TEST(TimeRecord, ConvertsAcrossDaysMonthsAndYears) {
  const struct {
    TimeRecord in;
    int minutes;
    const char* expected;
  } cases[] = {
      {Make(2026, 12, 31, 23, 30), 60, " 1-JAN-2027 00:30:04.17 +0100"},
      {Make(2024, 3, 1, 0, 10), -60, "29-FEB-2024 23:10:04.17 -0100"},
      {Make(2100, 3, 1, 0, 10), -60, "29-FEB-2100 23:10:04.17 -0100"},  // no century rule
      {Make(2026, 1, 31, 23, 0), 120, " 1-FEB-2026 01:00:04.17 +0200"},
      {Make(2026, 4, 30, 23, 0), 120, " 1-MAY-2026 01:00:04.17 +0200"},
      {Make(2026, 1, 1, 0, 0), -330, "31-DEC-2025 18:30:04.17 -0530"},
      {Make(2026, 6, 15, 12, 45, 0x1ED4), 0, "15-JUN-2026 17:45:04.17 +0000"},  // from -300
      {Make(2026, 2, 31, 10, 0), 60, " 1-MAR-2026 11:00:04.17 +0100"},  // 31-FEB is brought into March
      // Two marked zones a day and more apart: the hour carries two days.
      {Make(2026, 3, 1, 1, 0, lumenrt::MakeZoneWord(1440)), -1440, "27-FEB-2026 01:00:04.17 -2400"},
      {Make(2026, 12, 30, 23, 30, lumenrt::MakeZoneWord(-1400)), 1440, " 1-JAN-2027 22:50:04.17 +2400"},
  };
  for (const auto& c : cases) {
    TimeRecord out{};
    ASSERT_EQ(ConvertTimeZone(&out, &c.in, c.minutes), 1) << c.expected;
    EXPECT_EQ(Stamp(out), c.expected);
    EXPECT_EQ(out.zone, c.minutes != 0 ? lumenrt::MakeZoneWord(c.minutes) : 0) << c.expected;
  }
  TimeRecord out{};
  const TimeRecord last = Make(9999, 12, 31, 23, 30);
  ASSERT_EQ(ConvertTimeZone(&out, &last, 60), 1);
  EXPECT_EQ(out.year, 10000);  // outside the valid years: prints as invalid
  EXPECT_EQ(Stamp(out), kInvalid);
}

TEST(TimeRecord, ZoneMarksAndRefusals) {
  const TimeRecord marked = Make(2026, 5, 5, 5, 5, 0x1000);
  TimeRecord out{}, back{};
  ASSERT_EQ(ConvertTimeZone(&out, &marked, 0), 1);
  EXPECT_EQ(out.zone, 0x1000);  // no difference: a copy
  ASSERT_EQ(ConvertTimeZone(&out, &marked, 60), 1);
  EXPECT_EQ(out.zone, 0x103C);
  ASSERT_EQ(ConvertTimeZone(&back, &out, 0), 1);
  EXPECT_EQ(back.zone, 0);
  EXPECT_EQ(std::memcmp(&back.year, &marked.year, 14), 0);

  const TimeRecord bad[] = {
      Make(2026, 13, 1, 0, 0),        Make(0, 1, 1, 0, 0),
      Make(2026, 1, 32, 0, 0),        Make(2026, 1, 1, 24, 0),
      Make(2026, 1, 1, 0, 0, 0x2000), Make(2026, 1, 1, 0, 0, lumenrt::MakeZoneWord(1500))};
  for (const auto& in : bad) {
    std::memset(&out, 0xAB, sizeof out);
    EXPECT_EQ(ConvertTimeZone(&out, &in, 60), 0);
    EXPECT_EQ(std::memcmp(&out, &in, sizeof in), 0);
  }
  for (int minutes : {1441, -1441, INT_MIN}) {
    EXPECT_EQ(ConvertTimeZone(&out, &marked, minutes), 0);
    EXPECT_EQ(std::memcmp(&out, &marked, sizeof out), 0);
  }
}

TEST(TimeRecord, ZoneOffsetsAndMonthLengths) {
  const struct {
    int minutes;
    const char* text;
    int result;
  } offsets[] = {{-330, "-0530", 1}, {0, "+0000", 1},        {60, "+0100", 1},         {1440, "+2400", 1},
                 {5999, "+9959", 1}, {6000, "+\?\?\?\?", 0}, {INT_MIN, "-\?\?\?\?", 0}};
  for (const auto& c : offsets) {
    char text[6];
    EXPECT_EQ(FormatZoneOffset(text, c.minutes), c.result) << c.minutes;
    EXPECT_STREQ(text, c.text);
  }
  const int months[][3] = {{1, 2026, 31}, {2, 2026, 28}, {2, 2024, 29}, {2, 1900, 29}, {2, 2100, 29},
                           {4, 2026, 30}, {11, 1, 30},   {0, 2026, 31}, {13, 2026, 31}};
  for (const auto& m : months) EXPECT_EQ(DaysInMonth(m[0], m[1]), m[2]) << m[0] << "/" << m[1];
}

TEST(TimeRecord, PrintsValidZeroAndInvalidRecords) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX: the zone is set through TZ; Windows takes it from its time-zone settings";
#else
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "";
  setenv("TZ", "<+01>-1", 1);
  tzset();
  EXPECT_EQ(LocalZoneOffset(), 60);
  int result = -1;
  EXPECT_EQ(Stamp(Make(2026, 12, 7, 21, 58, 0x103C)), " 7-DEC-2026 21:58:04.17 +0100");
  EXPECT_EQ(Stamp(Make(2026, 12, 7, 20, 58), 1), " 7-DEC-2026 21:58:04.17 +0100");
  EXPECT_EQ(Stamp(Make(2026, 2, 31, 0, 0)), "31-FEB-2026 00:00:04.17 +0000");
  for (int toLocal : {0, 1}) {
    EXPECT_EQ(Stamp(TimeRecord{}, toLocal, &result), "00-000-0000 00:00:00.00 +0000");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Stamp(Make(2026, 13, 1, 0, 0), toLocal, &result), kInvalid);
    EXPECT_EQ(result, 0);
  }
  old != nullptr ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
#endif
}

TEST(TimeRecord, FillsFromFileTimesAndTheClock) {
  TimeRecord r{};
  ASSERT_EQ(GetTimeRecord(&r, 134411542841750000ull), 1);  // 2026-12-07 21:58:04.175
  EXPECT_EQ(Stamp(r), " 7-DEC-2026 21:58:04.17 +0000");
  EXPECT_EQ(r.tenThousandths, 50);
  EXPECT_EQ(r.millionths, 0);
  EXPECT_EQ(GetTimeRecord(&r, 0x8000000000000000ull), 0);

  ASSERT_EQ(GetTimeRecord(&r), 1);
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  EXPECT_EQ(r.zone, 0);
  EXPECT_EQ(r.year, utc.tm_year + 1900);
  EXPECT_EQ(r.tenThousandths % 10, 0);
  EXPECT_TRUE(lumenrt::IsValidTimeRecord(r));
}

}  // namespace
