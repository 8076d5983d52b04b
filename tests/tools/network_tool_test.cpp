// The errtext and trace commands of the lumenrt tool. The traces run inside the network namespaces
// of netns_lab.h (root only); nothing is sent anywhere else.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/run_tool.h"
#include "system/netns_lab.h"

namespace {

using lumenrt::test::NetnsLab;
using lumenrt::test::ToolRun;

// Runs "<prefix> lumenrt <args>"; prefix may be empty or a command such as "ip netns exec NAME".
ToolRun RunTool(const std::vector<std::string>& args, const std::string& prefix = "") {
  return lumenrt::test::RunTool(args, "", prefix);
}

TEST(ErrtextCommandTest, PrintsTheLineAndExitsOneForTheCatchAllRow) {
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string out;
  } cases[] = {
      {{"socket", "10054"}, 0, "ECONNRESET, connection reset by peer\n"},
      {{"socket", "10070"}, 0, "ESTALE, \n"},
      {{"socket", "11001"}, 0, "HOST_NOT_FOUND, host not found\n"},
      {{"socket", "10072"}, 1, "EUNDEF, undefined winsock error code\n"},
      {{"socket", "0x274D"}, 0, "ECONNREFUSED, connection refused\n"},
      {{"resolver", "11004"}, 0, "NO_DATA, no data record of requested type\n"},
      {{"resolver", "10054"}, 1, "EUNDEF, undefined winsock error code\n"},
      {{"rpc", "0"}, 0, "RPC-S-SUCCESS, call succeeded\n"},
      {{"rpc", "18"}, 0, "RPC-E-CLOSED, Dorvan connection closed\n"},
      {{"rpc", "20"}, 1, "RPC-E-UNKNOWN, unknown rpc error status code\n"},
      {{"rpc", "-3"}, 1, "RPC-E-UNKNOWN, unknown rpc error status code\n"},
      {{"icmp", "4"}, 0, "fragmentation needed but DF bit set\n"},
      {{"icmp", "13"}, 1, "[unknown code]\n"},
      {{"errno", "104"}, 0, "ECONNRESET, connection reset by peer\n"},
      {{"errno", "11"}, 0, "EWOULDBLOCK, operation would block\n"},
      {{"errno", "0"}, 1, "EUNDEF, undefined winsock error code\n"},
      {{"icmp", "x"}, 2, ""},
      {{"table", "1"}, 2, ""},
      {{"socket"}, 2, ""},
      {{"socket", "99999999999"}, 2, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"errtext"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolRun r = RunTool(args);
    EXPECT_EQ(r.exit, c.exit) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
    EXPECT_EQ(r.out, c.out) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
  }
}

TEST(TraceCommandTest, BadUsageIsRefusedBeforeAnythingIsSent) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"trace"},
           {"trace", "127.0.0.1", "--max-hops", "0"},
           {"trace", "127.0.0.1", "--max-hops", "256"},
           {"trace", "127.0.0.1", "--port", "0"},
           {"trace", "127.0.0.1", "--port", "65500"},  // 90 probe ports do not fit
           {"trace", "127.0.0.1", "--colour"},
       }) {
    const ToolRun r = RunTool(args);
    EXPECT_EQ(r.exit, 2) << args.back();
    EXPECT_EQ(r.out, "") << args.back();
    EXPECT_EQ(r.err.rfind("lumenrt: ", 0), 0u) << args.back();
  }
}

TEST(TraceCommandTest, WithoutPermissionForARawSocketItExplainsAndExitsOne) {
  std::string prefix;
  if (geteuid() == 0) {
    if (!lumenrt::test::Shell("command -v setpriv")) GTEST_SKIP() << "setpriv is needed to drop root";
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups";
  }
  const ToolRun r = RunTool({"trace", "127.0.0.1", "--short-wait"}, prefix);
  if (r.exit == 0) GTEST_SKIP() << "this user may open raw sockets";
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("lumenrt: trace needs a raw ICMP socket"), std::string::npos) << r.err;
}

class TraceInNamespacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string skip, error;
    lab_ = NetnsLab::Build(&skip, &error);
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_TRUE(lab_) << error;
  }
  ToolRun Trace(std::vector<std::string> args) {
    args.insert(args.begin(), "trace");
    return RunTool(args, "ip netns exec " + lab_->sender);
  }
  std::unique_ptr<NetnsLab> lab_;
};

TEST_F(TraceInNamespacesTest, FindsTheRouterThenTheTarget) {
  const ToolRun r = Trace({NetnsLab::kTargetAddress, "--short-wait"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, " 1  198.51.100.2\n 2  203.0.113.2\n");
  EXPECT_EQ(r.err, "trace to 203.0.113.2 (203.0.113.2), 30 hops max\n");
}

TEST_F(TraceInNamespacesTest, TimingPrintsThreeRoundTripsPerHop) {
  const ToolRun r = Trace({NetnsLab::kTargetAddress, "--timing", "--port", "40000", "--short-wait"});
  EXPECT_EQ(r.exit, 0) << r.err;
  const std::regex expected(
      " 1  198\\.51\\.100\\.2(  [0-9]+\\.[0-9]{3} ms){3}\n"
      " 2  203\\.0\\.113\\.2(  [0-9]+\\.[0-9]{3} ms){3}\n");
  EXPECT_TRUE(std::regex_match(r.out, expected)) << r.out;
}

TEST_F(TraceInNamespacesTest, StopsAtTheHopLimit) {
  const ToolRun r = Trace({NetnsLab::kTargetAddress, "--max-hops", "1", "--short-wait"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, " 1  198.51.100.2\n");
}

// Its own namespaces: the router allows a sender a few route errors at a time, and time-exceeded
// answers use up that allowance.
TEST_F(TraceInNamespacesTest, StopsAtAnUnreachableCodeAndNamesIt) {
  const ToolRun r = Trace({NetnsLab::kUnreachableAddress, "--short-wait"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, " 1  198.51.100.2 !no route to host !no route to host !no route to host\n");
}

TEST_F(TraceInNamespacesTest, AHopThatDoesNotAnswerIsStarred) {
  // The target drops the probes: its hop times out, one short wait per probe, up to the limit.
  ASSERT_TRUE(lumenrt::test::Shell("ip netns exec " + lab_->target +
                                   " sh -c 'echo 0 > /proc/sys/net/ipv4/icmp_ratelimit; "
                                   "echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all'"));
  ASSERT_TRUE(lumenrt::test::Shell("ip -n " + lab_->target + " link set t0 down"));
  const ToolRun r = Trace({NetnsLab::kTargetAddress, "--max-hops", "2", "--short-wait"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, " 1  198.51.100.2\n 2 * * *\n");
}

}  // namespace
