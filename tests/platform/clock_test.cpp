#include "lumenrt/platform/clock.h"

#include <array>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace lumenrt {
namespace {

TEST(Clock, FileTimesConvertOnTheGregorianCalendar) {
  const struct {
    std::uint64_t fileTime;
    CalendarTime expected;
  } cases[] = {
      {0, {1601, 1, 1, 0, 0, 0, 0}},
      {116444736000000000ull, {1970, 1, 1, 0, 0, 0, 0}},
      {125962992009990000ull, {2000, 2, 29, 12, 0, 0, 999}},
      {157520160000000000ull - 1, {2100, 2, 28, 23, 59, 59, 999}},  // 2100 has no 29 February
      {134411542841750000ull, {2026, 12, 7, 21, 58, 4, 175}},
      {kMaxFileTime, {30828, 9, 14, 2, 48, 5, 477}},
  };
  for (const auto& c : cases) {
    CalendarTime t;
    ASSERT_TRUE(FileTimeToCalendar(c.fileTime, &t)) << c.fileTime;
    const CalendarTime& e = c.expected;
    EXPECT_EQ((std::array{t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
              (std::array{e.year, e.month, e.day, e.hour, e.minute, e.second, e.millisecond}))
        << c.fileTime;
  }
  CalendarTime t;
  EXPECT_FALSE(FileTimeToCalendar(kMaxFileTime + 1, &t));
}

TEST(Clock, LocalZoneFollowsTz) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX: the zone is set through TZ; Windows takes it from its time-zone settings";
#else
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "";
  const struct {
    const char* tz;
    int standard, daylight;
    bool rule;
  } cases[] = {
      {"UTC0", 0, 0, false},
      {"<+0530>-5:30", 330, 330, false},
      {"EST5EDT,M3.2.0,M11.1.0", -300, -240, true},
  };
  for (const auto& c : cases) {
    setenv("TZ", c.tz, 1);
    tzset();
    LocalZone zone;
    ASSERT_TRUE(CurrentLocalZone(&zone));
    EXPECT_EQ(zone.offsetMinutes, zone.inDaylight ? c.daylight : c.standard) << c.tz;
    EXPECT_EQ(zone.hasDaylightRule, c.rule) << c.tz;
  }
  old != nullptr ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
#endif
}

TEST(HighResolutionCounter, RisesAtItsFrequency) {
  ASSERT_GT(HighResolutionFrequency(), 0);
  const std::int64_t first = HighResolutionCounter();
  const std::int64_t second = HighResolutionCounter();
  EXPECT_GT(first, 0);
  EXPECT_GE(second, first);
}

}  // namespace
}  // namespace lumenrt
