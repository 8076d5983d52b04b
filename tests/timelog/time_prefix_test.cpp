// The time prefix of log lines.
#include "lumenrt/timelog/time_prefix.h"

#include <utility>

#include <gtest/gtest.h>

#include "lumenrt/timelog/internal/time_prefix_text.h"

namespace {

TEST(MessageTimePrefixTest, TakesMonthDayHourAndMinuteFromThePrintedTimestamp) {
  const std::pair<const char*, const char*> cases[] = {
      {" 7-DEC-2026 21:58:04.17 +0100", "Dec07 21:58 "},
      {"31-JAN-2027 00:05:59.99 -0530", "Jan31 00:05 "},
      {"?\?-?\?\?-?\?\?\? ?\?:?\?:?\?.?\? +?\?\?\?", "?\?\?\?\? ?\?:?\? "},
      {"", "?\?\?\?\? ?\?\?\?\? "},
  };
  for (const auto& [printed, expected] : cases) {
    char prefix[13];
    lumenrt::TimePrefixFromTimestamp(printed, prefix);
    EXPECT_STREQ(prefix, expected) << printed;
  }
  ZString now = MessageTimePrefix();
  ASSERT_EQ(now.Length(), 12);
  EXPECT_EQ(now[5], ' ');
  EXPECT_EQ(now[8], ':');
  EXPECT_EQ(now[11], ' ');
}

}  // namespace
