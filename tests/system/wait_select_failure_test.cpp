// WaitForReply when the system fails it: a select that fails ends the wait without a read, and a
// high-resolution counter or frequency that cannot be read records the arrival as 0 and 0.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "lumenrt/platform/clock.h"
#include "lumenrt/system/icmp_reply.h"
#include "lumenrt/system/socket_entry.h"

namespace {

constexpr int kSocket = 5;
constexpr std::uint16_t kIdent = 0x1234;
constexpr int kBase = 33435;

int selectResult = 1;
int reads = 0;

int Select(int, lumenrt::SocketSet*, lumenrt::SocketSet*, lumenrt::SocketSet*,
           const lumenrt::SocketTimeLimit*) {
  return selectResult;
}

// A time-exceeded answer to probe 0: outer IPv4 header, ICMP header, quoted IPv4 and UDP headers.
int RecvFrom(int, char* buffer, int length, int, void*, int*) {
  ++reads;
  std::uint8_t m[56] = {};
  m[0] = 0x45;
  m[20] = 11;
  m[28] = 0x45;
  m[48] = kIdent >> 8, m[49] = kIdent & 0xFF;
  m[50] = kBase >> 8, m[51] = kBase & 0xFF;
  const int n = length < static_cast<int>(sizeof m) ? length : static_cast<int>(sizeof m);
  std::memcpy(buffer, m, static_cast<std::size_t>(n));
  return n;
}

int Error() { return 10054; }

struct FixedClock : lumenrt::platform::Clock {
  std::int64_t counter = 0, frequency = 0;
  std::uint64_t CurrentFileTime() override { return 0; }
  bool CurrentLocalZone(lumenrt::platform::LocalZone*) override { return false; }
  std::int64_t HighResolutionCounter() override { return counter; }
  std::int64_t HighResolutionFrequency() override { return frequency; }
};

class WaitForReplyFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    selectResult = 1;
    reads = 0;
    lumenrt::InstalledSocketEntryPoints() = {Select, RecvFrom, lumenrt::PosixSocketHtons, Error};
    lumenrt::TracingState& t = lumenrt::Tracing();
    t.socket = kSocket;
    t.shortWait = 1;
    t.timing = 1;
    t.probe = &record_;
    t.ident = kIdent;
    t.basePort = kBase;
  }
  void TearDown() override {
    lumenrt::platform::SubstituteClock(nullptr);
    lumenrt::InstalledSocketEntryPoints() = {};
    lumenrt::Tracing().probe = nullptr;
    lumenrt::Tracing().timing = 0;
  }

  lumenrt::TraceProbeRecord record_;
};

TEST_F(WaitForReplyFailures, AFailingSelectEndsTheWaitWithoutARead) {
  selectResult = -1;
  std::int32_t times[2] = {-7, -7};
  EXPECT_EQ(WaitForReply(0, times), -3);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(times[0], -7);
}

TEST_F(WaitForReplyFailures, ACounterThatCannotBeReadRecordsZeroAndZero) {
  const struct {
    std::int64_t counter, frequency;
    std::int32_t seconds, micros;
  } cases[] = {
      {0, 1000, 0, 0},          // the counter failed
      {5000, 0, 0, 0},          // the frequency failed
      {2500, 1000, 2, 500000},  // both read
  };
  FixedClock clock;
  lumenrt::platform::SubstituteClock(&clock);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counter);
    clock.counter = c.counter;
    clock.frequency = c.frequency;
    std::int32_t times[2] = {-7, -7};
    EXPECT_EQ(WaitForReply(0, times), -2);
    EXPECT_EQ(times[0], c.seconds);
    EXPECT_EQ(times[1], c.micros);
  }
}

}  // namespace
