// The library's descriptor set and the POSIX socket entry points that copy it to and from the
// system's sets.
#include "lumenrt/platform/sockets.h"

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

using lumenrt::SocketSet;

TEST(SocketSetTest, HoldsNumbersBelowItsCapacityOnly) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX: Windows sets list socket values of any size (tests/platform/windows/)";
#endif
  SocketSet set;
  for (int s : {0, 63, 64, 1023}) EXPECT_TRUE(set.Add(s) && SocketSet::Holds(s)) << s;
  for (int s : {-1, 1024, 5000}) EXPECT_FALSE(set.Add(s) || SocketSet::Holds(s)) << s;
  for (int s : {0, 63, 64, 1023}) EXPECT_TRUE(set.Contains(s)) << s;
  for (int s : {1, 62, 65, 1022, -1, 1024}) EXPECT_FALSE(set.Contains(s)) << s;
  set.Clear();
  EXPECT_FALSE(set.Contains(0));
}

TEST(PosixSocketEntriesTest, SelectReportsReadySocketsThroughTheLibrarysSets) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX: a Unix-domain socket pair; the Winsock entry points have tests of their own";
#else
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM, 0, pair), 0);
  const lumenrt::SocketTimeLimit now{0, 0};
  SocketSet set;
  set.Add(pair[0]);
  EXPECT_EQ(lumenrt::PosixSocketSelect(pair[0] + 1, &set, nullptr, nullptr, &now), 0);
  EXPECT_FALSE(set.Contains(pair[0]));

  ASSERT_EQ(write(pair[1], "abc", 3), 3);
  set.Add(pair[0]);
  set.Add(pair[1]);
  const int count = std::max(pair[0], pair[1]) + 1;
  EXPECT_EQ(lumenrt::PosixSocketSelect(count, &set, nullptr, nullptr, &now), 1);
  EXPECT_TRUE(set.Contains(pair[0]));
  EXPECT_FALSE(set.Contains(pair[1]));

  char buffer[8] = {};
  EXPECT_EQ(lumenrt::PosixSocketRecvFrom(pair[0], buffer, sizeof buffer, 0, nullptr, nullptr), 3);
  EXPECT_STREQ(buffer, "abc");

  errno = 0;
  EXPECT_EQ(lumenrt::PosixSocketSelect(SocketSet::kCapacity + 1, &set, nullptr, nullptr, &now), -1);
  EXPECT_EQ(lumenrt::PosixSocketLastError(), 10022);  // EINVAL
  close(pair[0]);
  close(pair[1]);

  EXPECT_EQ(lumenrt::PosixSocketRecvFrom(pair[0], buffer, sizeof buffer, 0, nullptr, nullptr), -1);
  EXPECT_EQ(lumenrt::PosixSocketLastError(), 10009);  // EBADF
  const std::uint16_t network = lumenrt::PosixSocketHtons(0x1234);
  unsigned char bytes[2];
  std::memcpy(bytes, &network, 2);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 0x34);
#endif
}

}  // namespace
