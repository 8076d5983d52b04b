// WaitForReply on real sockets with the C library's entry points, always inside network namespaces
// the test builds (see netns_lab.h): on the loopback of a namespace of its own, and through a router.
// Probes go only to 127.0.0.1 and to the documentation addresses inside those namespaces, and the
// raw sockets see no ICMP traffic of the host's.
#include <chrono>
#include <cstdlib>
#include <string>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lumenrt/system/icmp_reply.h"
#include "lumenrt/system/socket_entry.h"
#include "lumenrt/system/socket_status.h"

#include "system/netns_lab.h"

namespace {

using lumenrt::test::NetnsLab;

// A raw ICMP socket and a UDP probe socket, installed in the tracing state for the test's duration.
class Tracer {
 public:
  Tracer() {
    raw_ = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (raw_ < 0) return;
    udp_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    socklen_t length = sizeof any;
    if (udp_ < 0 || bind(udp_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
        getsockname(udp_, reinterpret_cast<sockaddr*>(&any), &length) != 0)
      return;
    lumenrt::InstalledSocketEntryPoints() = lumenrt::PosixSocketEntryPoints();
    lumenrt::SetSocketLastErrorEntry(lumenrt::PosixSocketLastError);
    lumenrt::TracingState& t = lumenrt::Tracing();
    t.socket = raw_;
    t.shortWait = 1;
    t.timing = 0;
    t.probe = &record_;
    t.ident = ntohs(any.sin_port);
    t.basePort = lumenrt::kDefaultTraceBasePort;
    ready_ = true;
  }
  ~Tracer() {
    lumenrt::ReleaseTraceAddressCache();
    lumenrt::Tracing().probe = nullptr;
    lumenrt::Tracing().socket = -1;
    lumenrt::InstalledSocketEntryPoints() = {};
    lumenrt::SetSocketLastErrorEntry(nullptr);
    if (raw_ >= 0) close(raw_);
    if (udp_ >= 0) close(udp_);
  }

  bool ready() const { return ready_; }

  // Sends probe s to address with the given time-to-live and answers "<WaitForReply> <sender>", or
  // "raised: <text>".
  std::string Probe(const char* address, int ttl, int s) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(lumenrt::Tracing().basePort + s));
    inet_pton(AF_INET, address, &to.sin_addr);
    if (setsockopt(udp_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0) return "setsockopt failed";
    if (sendto(udp_, "probe", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) != 5) return "sendto failed";
    record_ = {};
    try {
      const int answer = WaitForReply(s, nullptr);
      char from[INET_ADDRSTRLEN] = "";
      inet_ntop(AF_INET, record_.from.address, from, sizeof from);
      return std::to_string(answer) + " " + (answer == -3 ? "" : from);
    } catch (const GenericError& e) {
      return "raised: " + e.text;
    }
  }

 private:
  int raw_ = -1, udp_ = -1;
  bool ready_ = false;
  lumenrt::TraceProbeRecord record_;
};

// A UDP port of 127.0.0.1 that nothing listens on: one the system handed out and took back.
int ClosedLoopbackPort() {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
  close(s);
  return ntohs(a.sin_port);
}

// Runs work with a Tracer in a namespace of its own whose loopback alone is up, and answers what it
// answered. *skip is set when this process cannot make namespaces.
std::string InANamespaceAlone(std::string (*work)(Tracer&), std::string* skip) {
  std::string error;
  auto lab = NetnsLab::BuildAlone(skip, &error);
  if (!lab) return skip->empty() ? "no namespace: " + error : "";
  return NetnsLab::RunIn(lab->sender, [work] {
    Tracer tracer;
    return tracer.ready() ? work(tracer) : std::string("no raw socket");
  });
}

TEST(IcmpLiveTest, AProbeToAClosedLoopbackPortIsAnsweredPortUnreachable) {
  std::string skip;
  const std::string answer = InANamespaceAlone(
      [](Tracer& tracer) {
        const int s = 5;
        lumenrt::Tracing().basePort = ClosedLoopbackPort() - s;
        return tracer.Probe("127.0.0.1", 64, s);
      },
      &skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  EXPECT_EQ(answer, "-1 127.0.0.1");
}

TEST(IcmpLiveTest, AShortWaitWithNothingSentEndsWithNoAnswerAfterAboutOneSecond) {
  std::string skip;
  const std::string answer = InANamespaceAlone(
      [](Tracer&) {
        const auto start = std::chrono::steady_clock::now();
        const int got = WaitForReply(0, nullptr);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return std::to_string(got) + " " +
               std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
      },
      &skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  const std::size_t blank = answer.find(' ');
  ASSERT_NE(blank, std::string::npos) << answer;
  EXPECT_EQ(answer.substr(0, blank), "-3");
  const long ms = std::atol(answer.c_str() + blank + 1);
  EXPECT_GE(ms, 900) << answer;  // the short wait is one second
  EXPECT_LE(ms, 3000) << answer;
}

TEST(IcmpLiveTest, ThroughARouterTheRouterThenTheTargetAnswersAndAnUnreachableRouteGivesItsCode) {
  std::string skip, error;
  auto lab = NetnsLab::Build(&skip, &error);
  if (!skip.empty()) GTEST_SKIP() << skip;
  ASSERT_TRUE(lab) << error;
  const std::string answers = NetnsLab::RunIn(lab->sender, [] {
    Tracer tracer;
    if (!tracer.ready()) return std::string("no raw socket");
    std::string out;
    // The unreachable route first: the router's time-exceeded answers would use up the allowance
    // of route errors it keeps per sender.
    out += tracer.Probe(NetnsLab::kUnreachableAddress, 5, 3) + "\n";
    out += tracer.Probe(NetnsLab::kTargetAddress, 1, 0) + "\n";
    out += tracer.Probe(NetnsLab::kTargetAddress, 2, 1) + "\n";
    out += tracer.Probe(NetnsLab::kTargetAddress, 3, 2) + "\n";
    return out;
  });
  // The router's unreachable route answers code 1, host unreachable.
  EXPECT_EQ(answers, "1 198.51.100.2\n-2 198.51.100.2\n-1 203.0.113.2\n-1 203.0.113.2\n");
}

}  // namespace
