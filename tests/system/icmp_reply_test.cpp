// WaitForReply against fake socket entry points that hand it crafted ICMP messages, and the
// wrappers, names and raises around it.
#include "lumenrt/system/icmp_reply.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

#include "lumenrt/platform/clock.h"
#include "lumenrt/system/socket_entry.h"
#include "lumenrt/system/socket_status.h"

namespace {

#ifdef _WIN32
// Winsock, started once for the resolver calls of the tests.
bool ResolverReady() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}
#else
bool ResolverReady() { return true; }
#endif

using Bytes = std::vector<std::uint8_t>;

constexpr int kSocket = 7;
constexpr std::uint16_t kIdent = 0xBEEF;
constexpr int kBase = 33435;

// An ICMP message as the raw socket delivers it: an outer IPv4 header of outerWords 32-bit words,
// the ICMP header, and (for answering types) the quoted IPv4 header of quotedWords words followed by
// the probe's UDP header. cut > 0 keeps only that many bytes.
struct Message {
  int type = 11;
  int code = 0;
  int outerWords = 5;
  int quotedWords = 5;
  std::uint16_t sourcePort = kIdent;
  int destinationPort = kBase;
  int cut = 0;
  int quotedLengthField = -1;  // when >= 0, the quoted header's length field (in words) says this
  std::uint8_t from[4] = {198, 51, 100, 2};
};

Bytes Build(const Message& m) {
  Bytes b(m.outerWords * 4, 0);
  b[0] = static_cast<std::uint8_t>(0x40 | m.outerWords);
  b[9] = 1;                                                 // ICMP
  for (std::size_t i = 20; i < b.size(); ++i) b[i] = 0x01;  // options: no-operation
  Bytes icmp = {static_cast<std::uint8_t>(m.type), static_cast<std::uint8_t>(m.code), 0, 0, 0, 0, 0, 0};
  b.insert(b.end(), icmp.begin(), icmp.end());
  Bytes quoted(m.quotedWords * 4, 0x01);
  quoted[0] =
      static_cast<std::uint8_t>(0x40 | (m.quotedLengthField >= 0 ? m.quotedLengthField : m.quotedWords));
  quoted[9] = 17;  // UDP
  b.insert(b.end(), quoted.begin(), quoted.end());
  Bytes udp = {static_cast<std::uint8_t>(m.sourcePort >> 8),
               static_cast<std::uint8_t>(m.sourcePort),
               static_cast<std::uint8_t>(m.destinationPort >> 8),
               static_cast<std::uint8_t>(m.destinationPort),
               0,
               8,
               0,
               0};
  b.insert(b.end(), udp.begin(), udp.end());
  if (m.cut > 0) b.resize(m.cut);
  return b;
}

// A clock that moves only when the fake select waits: a counter of microseconds.
class FakeClock : public lumenrt::platform::Clock {
 public:
  std::uint64_t CurrentFileTime() override { return 0; }
  bool CurrentLocalZone(lumenrt::LocalZone*) override { return false; }
  std::int64_t HighResolutionCounter() override { return unreadable ? 0 : now; }
  std::int64_t HighResolutionFrequency() override { return frequency; }
  std::int64_t now = 5000000;
  std::int64_t frequency = 1000000;
  bool unreadable = false;
};

// The fake socket layer: a queue of messages (with their senders), what select was asked.
struct Fake {
  std::deque<std::pair<Bytes, Message>> queue;
  int selects = 0;
  std::vector<long> limits;  // seconds of each select, -1 without limit
  int lastCount = 0;
  bool failRead = false;
  bool failSelect = false;
  int reads = 0;
  int errorCalls = 0;
  int recvResult = 0;  // when not 0, recvfrom answers this instead of a message
  // With a clock: a message arrives every `period` microseconds (an echo reply, or the answer as the
  // answerAt-th one), and select waits on that clock.
  FakeClock* clock = nullptr;
  std::int64_t period = 0;
  int arrived = 0, answerAt = 0;
};
Fake* fake = nullptr;

int StreamSelect(const lumenrt::SocketTimeLimit* limit) {
  if (limit == nullptr || fake->selects > 1000) return 0;  // never for ever
  const std::int64_t wait = std::int64_t{limit->seconds} * 1000000 + limit->microseconds;
  const std::int64_t next = fake->clock->now + fake->period;
  if (!fake->queue.empty()) return 1;
  if (fake->period > wait) {
    fake->clock->now += wait;
    return 0;
  }
  fake->clock->now = next;
  const bool answer = ++fake->arrived == fake->answerAt;
  Message m = answer ? Message{.type = 11, .code = 0} : Message{.type = 0, .code = 0};
  fake->queue.emplace_back(Build(m), m);
  return 1;
}

int FakeSelect(int count, lumenrt::SocketSet* readSet, lumenrt::SocketSet* writeSet,
               lumenrt::SocketSet* errorSet, const lumenrt::SocketTimeLimit* limit) {
  ++fake->selects;
  fake->lastCount = count;
  fake->limits.push_back(limit != nullptr ? limit->seconds : -1);
  if (readSet == nullptr || !readSet->Contains(kSocket) || writeSet != nullptr || errorSet != nullptr ||
      fake->failSelect)
    return -1;
  if (fake->clock != nullptr) return StreamSelect(limit);
  if (fake->queue.empty() && !fake->failRead && fake->recvResult == 0) return 0;
  return 1;
}

int FakeRecvFrom(int socket, char* buffer, int length, int flags, void* from, int* fromLength) {
  ++fake->reads;
  if (socket != kSocket || length != lumenrt::kTracePacketSize || flags != 0) return -1;
  if (fake->failRead) return -1;
  if (fake->recvResult != 0) return fake->recvResult;
  auto [bytes, message] = fake->queue.front();
  fake->queue.pop_front();
  const int n = std::min(static_cast<int>(bytes.size()), length);
  if (n > 0) std::memcpy(buffer, bytes.data(), n);
  if (from != nullptr) {
    lumenrt::Ipv4SocketAddress a;
    a.family = 2;
    std::memcpy(a.address, message.from, 4);
    std::memcpy(from, &a, sizeof a);
    *fromLength = sizeof a;
  }
  return n;
}

int FakeError() {
  ++fake->errorCalls;
  return 10054;
}

class WaitForReplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = &fake_;
    lumenrt::InstalledSocketEntryPoints() = {FakeSelect, FakeRecvFrom, lumenrt::PosixSocketHtons, FakeError};
    lumenrt::SocketErrors() = {};
    lumenrt::TracingState& t = lumenrt::Tracing();
    lumenrt::ReleaseTraceAddressCache();
    t.socket = kSocket;
    t.shortWait = 1;
    t.timing = 0;
    t.probe = &record_;
    t.ident = kIdent;
    t.basePort = kBase;
  }
  void TearDown() override {
    lumenrt::ReleaseTraceAddressCache();
    lumenrt::InstalledSocketEntryPoints() = {};
    lumenrt::SocketErrors() = {};
    lumenrt::Tracing().probe = nullptr;
    lumenrt::platform::SubstituteClock(nullptr);
    fake = nullptr;
  }

  void Queue(const Message& m) { fake_.queue.emplace_back(Build(m), m); }
  void QueueBytes(const Bytes& b) { fake_.queue.emplace_back(b, Message{}); }

  // The text of the GenericError WaitForReply raises, or "" when it returns.
  std::string RaisedBy(int probe) {
    try {
      WaitForReply(probe, nullptr);
    } catch (const GenericError& e) {
      EXPECT_EQ(e.code, lumenrt::kGenericErrorCode);
      return e.text;
    }
    return "";
  }

  Fake fake_;
  lumenrt::TraceProbeRecord record_;
};

TEST_F(WaitForReplyTest, ClassifiesAnswersAndSkipsEverythingElse) {
  struct Case {
    const char* name;
    Message m;
    int expected;
  } cases[] = {
      {"time exceeded", {.type = 11, .code = 0}, -2},
      {"reassembly time exceeded", {.type = 11, .code = 1}, -3},
      {"port unreachable", {.type = 3, .code = 3}, -1},
      {"unreachable code 13", {.type = 3, .code = 13}, 13},
      {"unreachable code 0", {.type = 3, .code = 0}, 0},
      {"unreachable code 255", {.type = 3, .code = 255}, 255},
      {"another probe's port", {.type = 3, .code = 3, .destinationPort = kBase + 1}, -3},
      {"another source port", {.type = 11, .code = 0, .sourcePort = kIdent + 1}, -3},
      {"echo reply", {.type = 0, .code = 0}, -3},
      {"redirect", {.type = 5, .code = 1}, -3},
      {"options in the outer header", {.type = 11, .code = 0, .outerWords = 15}, -2},
      {"options in the quoted header", {.type = 3, .code = 3, .quotedWords = 6}, -1},
      {"options in both", {.type = 3, .code = 2, .outerWords = 9, .quotedWords = 15}, 2},
      // The quoted header's length field is checked against the bytes read.
      {"quoted header claims 60 bytes, 36 read",
       {.type = 3, .code = 3, .quotedWords = 15, .cut = 20 + 36},
       -3},
      {"quoted ports cut by one byte", {.type = 3, .code = 3, .quotedWords = 7, .cut = 20 + 8 + 28 + 3}, -3},
      {"quoted ports just inside", {.type = 3, .code = 3, .quotedWords = 7, .cut = 20 + 8 + 28 + 4}, -1},
      {"quoted header claims 16 bytes", {.type = 3, .code = 3, .quotedLengthField = 4}, -3},
      {"quoted header claims 0 bytes", {.type = 11, .code = 0, .quotedLengthField = 0}, -3},
  };
  for (const Case& c : cases) {
    fake_ = {};
    Queue(c.m);
    int got = 0;
    try {
      got = WaitForReply(0, nullptr);
    } catch (const GenericError& e) {
      ADD_FAILURE() << c.name << ": raised " << e.text;
      continue;
    }
    EXPECT_EQ(got, c.expected) << c.name;
    EXPECT_TRUE(fake_.queue.empty()) << c.name;
    // A skipped message starts a fresh wait of the same length.
    EXPECT_EQ(fake_.selects, c.expected == -3 ? 2 : 1) << c.name;
  }
}

TEST_F(WaitForReplyTest, MatchesTheProbeNumberAgainstTheBasePort) {
  lumenrt::Tracing().basePort = 40000;
  Queue({.type = 3, .code = 3, .destinationPort = 40000 + 4});   // probe 4
  Queue({.type = 11, .code = 0, .destinationPort = 40000 + 7});  // probe 7
  EXPECT_EQ(WaitForReply(7, nullptr), -2);
  EXPECT_EQ(fake_.selects, 2);
  EXPECT_EQ(record_.from.address[3], 2);
}

TEST_F(WaitForReplyTest, AShortForgedAnswerIsNeverMatchedFromAnEarlierMessagesBytes) {
  // An echo reply leaves the probe's ports in the packet buffer at offset 20 + 8 + 60; a forged
  // unreachable message of 36 ICMP bytes whose quoted header claims 60 bytes must not find them.
  Message echo{.type = 0, .code = 0, .quotedWords = 15};
  Queue(echo);
  Queue({.type = 3, .code = 3, .quotedWords = 15, .cut = 20 + 36});
  EXPECT_EQ(WaitForReply(0, nullptr), -3);
  EXPECT_EQ(fake_.selects, 3);
}

TEST_F(WaitForReplyTest, WaitsOneOrThreeSecondsOnTheSocketAlone) {
  for (int shortWait : {1, 0}) {
    fake_ = {};
    lumenrt::Tracing().shortWait = static_cast<std::uint8_t>(shortWait);
    EXPECT_EQ(WaitForReply(0, nullptr), -3);
    EXPECT_EQ(fake_.lastCount, kSocket + 1);
    EXPECT_EQ(fake_.limits, std::vector<long>{shortWait ? 1 : 3});
  }
  fake_ = {};
  lumenrt::SocketSet set;
  set.Add(kSocket);
  SocketSelect(kSocket + 1, &set, nullptr, nullptr, -1);
  EXPECT_EQ(fake_.limits, std::vector<long>{-1});
}

TEST_F(WaitForReplyTest, AStreamOfOtherMessagesEndsWithTheProbesWait) {
  FakeClock clock;
  lumenrt::platform::SubstituteClock(&clock);
  struct Case {
    int shortWait;
    std::int64_t period;  // microseconds between messages
    int answerAt;         // the answer is this message of the stream (0: none)
    int expected;
    std::int64_t elapsed;  // microseconds
    int read;
    bool unreadable = false;  // the counter answers 0
  } cases[] = {
      {1, 500000, 0, -3, 1000000, 2},  // the second message arrives as the wait ends
      {1, 300000, 0, -3, 1000000, 3},
      {0, 700000, 0, -3, 3000000, 4},
      {1, 300000, 3, -2, 900000, 3},  // an answer among the others is still found
      {1, 1500000, 0, -3, 1000000, 0},
      {1, 300000, 0, -3, 300000, 1, true},  // without a counter: one wait, ended by what it reads
  };
  for (const Case& c : cases) {
    fake_ = {};
    fake_.clock = &clock;
    fake_.period = c.period;
    fake_.answerAt = c.answerAt;
    clock.unreadable = c.unreadable;
    lumenrt::Tracing().shortWait = static_cast<std::uint8_t>(c.shortWait);
    const std::int64_t start = clock.now;
    EXPECT_EQ(WaitForReply(0, nullptr), c.expected) << c.period;
    EXPECT_EQ(clock.now - start, c.elapsed) << c.period;
    EXPECT_EQ(fake_.arrived, c.read) << c.period;
  }
}

TEST_F(WaitForReplyTest, AMessageShorterThanTheIcmpHeaderRaisesOneTooShortToQuoteAProbeIsSkipped) {
  struct Case {
    Bytes bytes;
    const char* text;  // "" when skipped
  } cases[] = {
      {Build({.type = 3, .code = 3, .cut = 26}), "icmplen (6) < 8"},
      {Build({.type = 3, .code = 3, .cut = 20}), "icmplen (0) < 8"},
      {Build({.type = 3, .code = 3, .outerWords = 15, .cut = 66}), "icmplen (6) < 8"},
      {Bytes{}, "icmplen (0) < 8"},
      {Build({.type = 11, .code = 0, .cut = 20 + 35}), ""},
      {Build({.type = 3, .code = 3, .cut = 30}), ""},
      {Build({.type = 3, .code = 13, .cut = 20 + 8}), ""},
      {Build({.type = 0, .code = 0, .cut = 28}), ""},  // other types need only the ICMP header
  };
  for (const Case& c : cases) {
    fake_ = {};
    QueueBytes(c.bytes);
    EXPECT_EQ(RaisedBy(0), c.text) << c.bytes.size();
    EXPECT_TRUE(fake_.queue.empty());
  }
  // A short message does not end the wait: an answer after it is found.
  fake_ = {};
  QueueBytes(Build({.type = 3, .code = 3, .cut = 30}));
  Queue({.type = 3, .code = 3});
  EXPECT_EQ(WaitForReply(0, nullptr), -1);
}

TEST_F(WaitForReplyTest, AFailedReadRaisesTheSocketErrorTextAndEmptiesTheAddressCache) {
  ASSERT_TRUE(ResolverReady());
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_NUMERICHOST;
  ASSERT_EQ(getaddrinfo("127.0.0.1", nullptr, &hints, &lumenrt::Tracing().addressCache[0]), 0);
  ASSERT_EQ(getaddrinfo("198.51.100.7", nullptr, &hints, &lumenrt::Tracing().addressCache[2]), 0);
  lumenrt::SetSocketLastErrorEntry(FakeError);
  fake_.failRead = true;
  EXPECT_EQ(RaisedBy(0), "ECONNRESET, connection reset by peer");
  EXPECT_EQ(fake_.errorCalls, 2);  // the error entry, then the last-error entry
  for (addrinfo* slot : lumenrt::Tracing().addressCache) EXPECT_EQ(slot, nullptr);

  // Without a last-error entry the saved errors speak.
  lumenrt::SetSocketLastErrorEntry(nullptr);
  EXPECT_EQ(RaisedBy(0), "NOTINITIALISED, error initializing sockets dll");
  // A read that answers more than the buffer holds is a failed read too.
  fake_ = {};
  fake_.recvResult = 1501;
  EXPECT_EQ(RaisedBy(0), "recvfrom answered 1501 for a buffer of 1500 bytes");
}

TEST_F(WaitForReplyTest, ASocketThatCannotGoIntoASelectSetIsRefused) {
#ifdef _WIN32
  // Windows sets list socket values: only a negative socket is refused (tests/system/windows/ waits
  // on a socket past 1023).
  lumenrt::Tracing().socket = -1;
  EXPECT_EQ(RaisedBy(0), "socket -1 cannot be waited on: it is not a socket number");
  EXPECT_EQ(fake_.selects, 0);
  return;
#endif
  for (int socket : {lumenrt::SocketSet::kCapacity, lumenrt::SocketSet::kCapacity + 500, -1}) {
    fake_ = {};
    lumenrt::Tracing().socket = socket;
    EXPECT_EQ(RaisedBy(0), "socket " + std::to_string(socket) +
                               " cannot be waited on: select takes socket numbers 0 to 1023 only");
    EXPECT_EQ(fake_.selects, 0);
  }
}

TEST_F(WaitForReplyTest, EntryPointsThatAreNotInstalledRaise) {
  lumenrt::InstalledSocketEntryPoints() = {};
  EXPECT_EQ(RaisedBy(0), "the socket entry point select is not installed");
  lumenrt::InstalledSocketEntryPoints() = {FakeSelect, FakeRecvFrom, nullptr, FakeError};
  Queue({.type = 11, .code = 0});
  EXPECT_EQ(RaisedBy(0), "the socket entry point htons is not installed");
}

TEST_F(WaitForReplyTest, TimingRecordsTheArrivalOnTheHighResolutionCounter) {
  std::int32_t times[2] = {-7, -7};
  Queue({.type = 11, .code = 0});
  EXPECT_EQ(WaitForReply(0, times), -2);
  EXPECT_EQ(times[0], -7);  // timing off: untouched
  EXPECT_EQ(times[1], -7);

  lumenrt::Tracing().timing = 1;
  Queue({.type = 0, .code = 0});  // skipped, but read: its arrival is recorded, then overwritten
  Queue({.type = 11, .code = 0});
  const std::int64_t frequency = lumenrt::HighResolutionFrequency();
  auto micros = [&](std::int64_t c) { return c / frequency * 1000000 + c % frequency * 1000000 / frequency; };
  const std::int64_t before = micros(lumenrt::HighResolutionCounter());
  EXPECT_EQ(WaitForReply(0, times), -2);
  const std::int64_t after = micros(lumenrt::HighResolutionCounter());
  EXPECT_GE(times[1], 0);
  EXPECT_LT(times[1], 1000000);
  const std::int64_t arrival = std::int64_t{times[0]} * 1000000 + times[1];
  EXPECT_GE(arrival, before);
  EXPECT_LE(arrival, after);
}

TEST_F(WaitForReplyTest, AFailingSelectEndsTheWaitWithoutARead) {
  fake_.failSelect = true;
  Queue({.type = 11, .code = 0});
  std::int32_t times[2] = {-7, -7};
  lumenrt::Tracing().timing = 1;
  EXPECT_EQ(WaitForReply(0, times), -3);
  EXPECT_EQ(fake_.reads, 0);
  EXPECT_EQ(times[0], -7);
}

// A counter or frequency that cannot be read records the arrival as 0 and 0.
TEST_F(WaitForReplyTest, ACounterThatCannotBeReadRecordsZeroAndZero) {
  const struct {
    bool unreadable;
    std::int64_t now, frequency;
    std::int32_t seconds, micros;
  } cases[] = {
      {true, 2500, 1000, 0, 0},        // the counter failed
      {false, 5000, 0, 0, 0},          // the frequency failed
      {false, 2500, 1000, 2, 500000},  // both read
  };
  FakeClock clock;
  lumenrt::platform::SubstituteClock(&clock);
  lumenrt::Tracing().timing = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.now);
    clock.unreadable = c.unreadable;
    clock.now = c.now;
    clock.frequency = c.frequency;
    Queue({.type = 11, .code = 0});
    std::int32_t times[2] = {-7, -7};
    EXPECT_EQ(WaitForReply(0, times), -2);
    EXPECT_EQ(times[0], c.seconds);
    EXPECT_EQ(times[1], c.micros);
  }
}

TEST(RaiseFormattedTest, FormatsCutsAndReleasesTheCache) {
  ASSERT_TRUE(ResolverReady());
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_NUMERICHOST;
  ASSERT_EQ(getaddrinfo("203.0.113.9", nullptr, &hints, &lumenrt::Tracing().addressCache[3]), 0);
  const std::string longText(600, 'z');
  try {
    RaiseFormatted("%d-%s", 42, longText.c_str());
    FAIL() << "no raise";
  } catch (const GenericError& e) {
    EXPECT_EQ(e.code, -65536);
    EXPECT_EQ(e.text, "42-" + longText.substr(0, 252));
  }
  EXPECT_EQ(lumenrt::Tracing().addressCache[3], nullptr);
}

TEST(UnreachableCodeNameTest, NamesCodesZeroToTwelve) {
  const char* names[] = {"no route to dest netw",
                         "no route to host",
                         "protocol unreachable",
                         "port unreachable",
                         "fragmentation needed but DF bit set",
                         "source route failure",
                         "dest netw unknown",
                         "dest host unknown",
                         "source host isolated",
                         "dest netw administratively prohibited",
                         "dest host administratively prohibited",
                         "netw unreachable type of service",
                         "host unreachable type of service"};
  for (int code = 0; code < 13; ++code) EXPECT_STREQ(UnreachableCodeName(code), names[code]) << code;
  for (int code : {13, 255, -1, 1 << 20}) EXPECT_STREQ(UnreachableCodeName(code), "[unknown code]") << code;
}

}  // namespace
