// The small Windows services: clock, module loader, debug output, Winsock entry points and numbers.
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <winsock2.h>  // (with windows.h)
#include <ws2tcpip.h>

#include "lumenrt/platform/clock.h"
#include "lumenrt/platform/debug_output.h"
#include "lumenrt/platform/module_loader.h"
#include "lumenrt/platform/sockets.h"
#include "lumenrt/platform/winsock_errno.h"

namespace lumenrt {
namespace {

// The calendar conversion is checked for every system by Clock.FileTimesConvertOnTheGregorianCalendar
// (tests/platform/clock_test.cpp), which this suite runs too.
TEST(WindowsClock, ReadingsAgreeWithTheSystem) {
  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  const std::uint64_t now = CurrentFileTime();
  const std::uint64_t start = static_cast<std::uint64_t>(before.dwHighDateTime) << 32 | before.dwLowDateTime;
  EXPECT_GE(now, start);
  EXPECT_LT(now - start, 20000000u);  // within 2 seconds

  // The zone's offset is what the system converts a UTC time to local time with.
  LocalZone zone;
  ASSERT_TRUE(CurrentLocalZone(&zone));
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  const auto ticks = [](const FILETIME& f) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime);
  };
  EXPECT_EQ(zone.offsetMinutes, (ticks(local) - ticks(utc)) / 600000000);
  if (!zone.hasDaylightRule) {
    EXPECT_FALSE(zone.inDaylight);
  }

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(HighResolutionFrequency(), frequency.QuadPart);
  const std::int64_t first = HighResolutionCounter();
  Sleep(20);
  const std::int64_t second = HighResolutionCounter();
  EXPECT_GE(second - first, HighResolutionFrequency() / 100);  // at least 10 ms passed
}

TEST(WindowsModuleLoader, LoadsFindsAndReleases) {
  using namespace platform;
  ModuleHandle netapi = LoadModule("netapi32.dll");
  ASSERT_NE(netapi, nullptr);
  EXPECT_TRUE(IsModuleLoaded("netapi32.dll"));
  EXPECT_NE(FindSymbol(netapi, "NetApiBufferFree"), nullptr);  // found, not called
  EXPECT_EQ(FindSymbol(netapi, "NoSuchFunctionAnywhere"), nullptr);
  EXPECT_TRUE(ReleaseModule(netapi));

  EXPECT_EQ(LoadModule("lumenrt-no-such-module.dll"), nullptr);
  EXPECT_FALSE(IsModuleLoaded("lumenrt-no-such-module.dll"));
  EXPECT_EQ(LoadModule(""), nullptr);
  EXPECT_EQ(FindSymbol(nullptr, "x"), nullptr);
  EXPECT_FALSE(ReleaseModule(nullptr));
}

TEST(WindowsDebugOutput, TextsReachTheHostsSinkAsWell) {
  std::vector<std::string> seen;
  DebugOutputSink old = SetDebugOutputSink([&seen](const char* text) { seen.emplace_back(text); });
  WriteDebugOutput("interface: exch_set_backup_options\n");
  WriteDebugOutput(nullptr);
  SetDebugOutputSink(old);
  WriteDebugOutput("after\n");
  EXPECT_EQ(seen, std::vector<std::string>{"interface: exch_set_backup_options\n"});
}

TEST(WindowsSockets, ErrnoValuesAndWinsockNumbers) {
  EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(WinsockErrorFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(WinsockErrorFromErrno(EAGAIN), 10035);
  EXPECT_EQ(WinsockErrorFromErrno(EWOULDBLOCK), 10035);
  EXPECT_EQ(WinsockErrorFromErrno(EACCES), 10013);
  // The socket layer's own numbers are Winsock numbers already.
  EXPECT_EQ(WinsockErrorFromErrno(WSAECONNRESET), 10054);
  EXPECT_EQ(WinsockErrorFromErrno(WSAHOST_NOT_FOUND), 11001);
  for (int other : {0, -1, ENOSYS, EDEADLK, 100000})
    EXPECT_EQ(WinsockErrorFromErrno(other), kNoWinsockError) << other;
}

// Winsock's sets list socket values, which are handle values and grow past 1023 in a process with
// many handles open; so do the library's.
TEST(WindowsSockets, SocketSetsListAnySocketValueUpToTheirCapacity) {
  for (int s : {0, 1023, 1024, 1652, INT_MAX}) EXPECT_TRUE(SocketSet::Holds(s)) << s;
  EXPECT_FALSE(SocketSet::Holds(-1));

  SocketSet set;
  for (int s : {1652, 0, 1024, 1652, INT_MAX}) EXPECT_TRUE(set.Add(s)) << s;
  EXPECT_FALSE(set.Add(-1));
  EXPECT_EQ(std::vector<int>(set.begin(), set.end()), (std::vector<int>{1652, 0, 1024, INT_MAX}));
  for (int s : {1652, 0, 1024, INT_MAX}) EXPECT_TRUE(set.Contains(s)) << s;
  for (int s : {1, 1023, 1025, -1}) EXPECT_FALSE(set.Contains(s)) << s;
  set.Clear();
  EXPECT_FALSE(set.Contains(1652));

  // A full set takes no new socket and still takes one it holds.
  for (int i = 0; i < SocketSet::kCapacity; ++i) ASSERT_TRUE(set.Add(2000 + 4 * i)) << i;
  EXPECT_FALSE(set.Add(4));
  EXPECT_FALSE(set.Contains(4));
  EXPECT_TRUE(set.Add(2000));
  EXPECT_EQ(set.end() - set.begin(), SocketSet::kCapacity);
}

TEST(WindowsSockets, SelectAndRecvFromOnLoopback) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);  // the test's own sockets; counted, so kept apart
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  ASSERT_NE(s, INVALID_SOCKET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);

  const int socketNumber = static_cast<int>(s);
  SocketSet set;
  ASSERT_TRUE(set.Add(socketNumber));
  SocketTimeLimit now{0, 0};
  EXPECT_EQ(PosixSocketSelect(socketNumber + 1, &set, nullptr, nullptr, &now), 0);
  ASSERT_EQ(sendto(s, "abc", 3, 0, reinterpret_cast<sockaddr*>(&address), sizeof address), 3);
  set.Add(socketNumber);
  SocketTimeLimit second{1, 0};
  EXPECT_EQ(PosixSocketSelect(socketNumber + 1, &set, nullptr, nullptr, &second), 1);
  EXPECT_TRUE(set.Contains(socketNumber));
  // The count is not needed: the sets list their sockets, and Winsock ignores it.
  EXPECT_EQ(PosixSocketSelect(0, &set, nullptr, nullptr, &now), 1);

  char buffer[16];
  Ipv4SocketAddress from;
  int fromLength = sizeof from;
  EXPECT_EQ(PosixSocketRecvFrom(socketNumber, buffer, sizeof buffer, 0, &from, &fromLength), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(from.port, address.sin_port);
  EXPECT_EQ(from.address[0], 127);
  EXPECT_EQ(PosixSocketHtons(0x1234), htons(0x1234));
  closesocket(s);

  // Failures answer -1 with a Winsock number.
  EXPECT_EQ(PosixSocketRecvFrom(socketNumber, buffer, sizeof buffer, 0, nullptr, nullptr), -1);
  EXPECT_EQ(PosixSocketLastError(), WSAENOTSOCK);
  EXPECT_EQ(PosixSocketSelect(SocketSet::kCapacity + 1, &set, nullptr, nullptr, &now), -1);
  EXPECT_EQ(PosixSocketLastError(), WSAENOTSOCK);
  // No socket at all waits out the limit, as select does elsewhere.
  SocketSet empty;
  SocketTimeLimit brief{0, 1000};
  EXPECT_EQ(PosixSocketSelect(1, &empty, nullptr, nullptr, &brief), 0);
  WSACleanup();
}

}  // namespace
}  // namespace lumenrt
