// Network namespaces for the route-tracing tests, made and removed by the test.
//
// Build makes three namespaces: a sender, a router with forwarding on and a target, joined by veth
// pairs, with addresses only from the documentation ranges:
//
//   sender s0 198.51.100.1/24 -- r0 198.51.100.2/24 router r1 203.0.113.1/24 -- t0 203.0.113.2/24 target
//
// The router holds an unreachable route for 203.0.113.128/25 (kUnreachableAddress lies in it).
// BuildAlone makes the sender namespace alone, with only its loopback up: a raw socket opened there
// sees none of the host's ICMP traffic.
//
// Traffic stays inside the namespaces; the destructor removes them (and with them the links), also
// when a test fails. Names carry the process id and a counter, so parallel runs do not meet. Needs
// root and the ip command (iproute2). Work inside a namespace runs in a forked child that enters it
// with setns, so the test process itself never changes namespace.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumenrt::test {

inline bool Shell(const std::string& command) {
  const std::string quiet = command + " >/dev/null 2>&1";
  const int status = std::system(quiet.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class NetnsLab {
 public:
  static constexpr const char* kSenderAddress = "198.51.100.1";
  static constexpr const char* kRouterAddress = "198.51.100.2";
  static constexpr const char* kTargetAddress = "203.0.113.2";
  static constexpr const char* kUnreachableAddress = "203.0.113.200";

  // Builds the network. Null with *skip set when this process may not make namespaces (not root, no
  // ip command), null with *error set when a step failed (what was made is removed again).
  static std::unique_ptr<NetnsLab> Build(std::string* skip, std::string* error) {
    std::unique_ptr<NetnsLab> lab = BuildAlone(skip, error);
    if (!lab) return nullptr;
    for (const std::string* ns : {&lab->router, &lab->target}) {
      if (!Shell("ip netns add " + *ns)) {
        *error = "ip netns add " + *ns + " failed";
        return nullptr;
      }
      lab->made_.push_back(*ns);
    }
    const std::string s = "ip -n " + lab->sender + " ", r = "ip -n " + lab->router + " ",
                      t = "ip -n " + lab->target + " ";
    const std::vector<std::string> steps = {
        s + "link add s0 type veth peer name r0 netns " + lab->router,
        r + "link add r1 type veth peer name t0 netns " + lab->target,
        s + "addr add 198.51.100.1/24 dev s0",
        r + "addr add 198.51.100.2/24 dev r0",
        r + "addr add 203.0.113.1/24 dev r1",
        t + "addr add 203.0.113.2/24 dev t0",
        r + "link set lo up",
        t + "link set lo up",
        s + "link set s0 up",
        r + "link set r0 up",
        r + "link set r1 up",
        t + "link set t0 up",
        s + "route add 203.0.113.0/24 via 198.51.100.2",
        t + "route add 198.51.100.0/24 via 203.0.113.1",
        // The router answers probes for the upper half of the target's network "no route to host".
        r + "route add unreachable 203.0.113.128/25",
        // Forwarding on in the router; no rate limit on the ICMP answers the tests count on.
        "ip netns exec " + lab->router + " sh -c 'echo 1 > /proc/sys/net/ipv4/ip_forward'",
        "ip netns exec " + lab->router + " sh -c 'echo 0 > /proc/sys/net/ipv4/icmp_ratelimit'",
        "ip netns exec " + lab->target + " sh -c 'echo 0 > /proc/sys/net/ipv4/icmp_ratelimit'",
    };
    for (const std::string& step : steps) {
      if (!Shell(step)) {
        *error = "network set-up step failed: " + step;
        return nullptr;
      }
    }
    return lab;
  }

  // The sender namespace alone, its loopback up; null as for Build.
  static std::unique_ptr<NetnsLab> BuildAlone(std::string* skip, std::string* error) {
    if (geteuid() != 0) {
      *skip = "network namespaces need root (CI runs these tests as root)";
      return nullptr;
    }
    if (!Shell("command -v ip")) {
      *skip = "the ip command (iproute2) is not installed; scripts/setup installs it";
      return nullptr;
    }
    static int counter = 0;
    const std::string prefix = "lumenrt-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    std::unique_ptr<NetnsLab> lab(new NetnsLab(prefix));
    if (!Shell("ip netns add " + lab->sender)) {
      *skip = "cannot create a network namespace here (ip netns add failed)";
      return nullptr;
    }
    lab->made_.push_back(lab->sender);
    if (!Shell("ip -n " + lab->sender + " link set lo up")) {
      *error = "cannot bring up the loopback of " + lab->sender;
      return nullptr;
    }
    return lab;
  }

  ~NetnsLab() {
    for (const std::string& ns : made_) Shell("ip netns del " + ns);
  }
  NetnsLab(const NetnsLab&) = delete;
  NetnsLab& operator=(const NetnsLab&) = delete;

  // Runs work in a child that has entered namespace ns and returns what it answered, or a text
  // starting with "child:" when the child could not enter the namespace or did not finish.
  static std::string RunIn(const std::string& ns, const std::function<std::string()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return "child: no pipe";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return "child: fork failed";
    if (pid == 0) {
      close(fds[0]);
      std::string answer;
      const int nsfd = open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
      if (nsfd < 0 || setns(nsfd, CLONE_NEWNET) != 0)
        answer = "child: cannot enter " + ns;
      else
        answer = work();
      std::size_t done = 0;
      while (done < answer.size()) {
        const ssize_t n = write(fds[1], answer.data() + done, answer.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      _exit(0);
    }
    close(fds[1]);
    std::string answer;
    char buffer[512];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) answer.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child: did not finish (" + answer + ")";
    return answer;
  }

  std::string sender, router, target;

 private:
  explicit NetnsLab(const std::string& prefix)
      : sender(prefix + "-s"), router(prefix + "-r"), target(prefix + "-t") {}
  std::vector<std::string> made_;
};

}  // namespace lumenrt::test
