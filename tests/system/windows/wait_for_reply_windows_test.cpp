// WaitForReply on Windows with this platform's own socket entry points: a socket whose value lies past
// 1023 (sockets are handle values, which grow with the handles a process holds) is waited on and read.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>
#include <winsock2.h>  // (with windows.h)

#include "lumenrt/system/icmp_reply.h"
#include "lumenrt/system/socket_entry.h"

namespace {

constexpr std::uint16_t kIdent = 0x1234;
constexpr int kBase = 33435;

class WaitForReplyWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data_), 0);  // the test's own sockets; counted, so kept apart
    // Events take up handle values until a fresh socket's value lies past 1024.
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    while (socket_ != INVALID_SOCKET && socket_ <= 1024 && filler_.size() < 8192) {
      closesocket(socket_);
      for (int i = 0; i < 64; ++i) filler_.push_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
      socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    }
    ASSERT_NE(socket_, INVALID_SOCKET);
    ASSERT_GT(socket_, SOCKET{1024});
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address_;
    ASSERT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address_), sizeof address_), 0);
    ASSERT_EQ(getsockname(socket_, reinterpret_cast<sockaddr*>(&address_), &length), 0);

    lumenrt::InstalledSocketEntryPoints() = lumenrt::PosixSocketEntryPoints();
    lumenrt::TracingState& t = lumenrt::Tracing();
    t.socket = static_cast<int>(socket_);
    t.shortWait = 1;
    t.timing = 0;
    t.probe = &record_;
    t.ident = kIdent;
    t.basePort = kBase;
  }

  void TearDown() override {
    lumenrt::InstalledSocketEntryPoints() = {};
    lumenrt::Tracing().socket = -1;
    lumenrt::Tracing().probe = nullptr;
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    for (HANDLE h : filler_)
      if (h != nullptr) CloseHandle(h);
    WSACleanup();
  }

  WSADATA data_;
  SOCKET socket_ = INVALID_SOCKET;
  sockaddr_in address_{};
  std::vector<HANDLE> filler_;
  lumenrt::TraceProbeRecord record_;
};

TEST_F(WaitForReplyWindows, ASocketPast1023IsWaitedOnAndRead) {
  // Nothing arrives: the wait ends.
  EXPECT_EQ(WaitForReply(0, nullptr), lumenrt::kReplyNone);

  // A time-exceeded answer to probe 0 as the raw socket would read it (outer IPv4 header, ICMP
  // header, quoted IPv4 and UDP headers), sent to the socket itself.
  unsigned char m[56] = {};
  m[0] = 0x45;
  m[20] = 11;
  m[28] = 0x45;
  m[48] = kIdent >> 8, m[49] = kIdent & 0xFF;
  m[50] = kBase >> 8, m[51] = kBase & 0xFF;
  ASSERT_EQ(sendto(socket_, reinterpret_cast<const char*>(m), sizeof m, 0,
                   reinterpret_cast<const sockaddr*>(&address_), sizeof address_),
            static_cast<int>(sizeof m));
  EXPECT_EQ(WaitForReply(0, nullptr), lumenrt::kReplyTimeExceeded);
  EXPECT_EQ(record_.from.port, address_.sin_port);
}

}  // namespace
