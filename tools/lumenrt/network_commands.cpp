// lumenrt errtext and lumenrt trace: network status texts, and a route tracer built on the ICMP
// reply decoding.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "lumenrt/platform/clock.h"
#include "lumenrt/platform/sockets.h"
#include "lumenrt/platform/winsock_errno.h"
#include "lumenrt/system/icmp_reply.h"
#include "lumenrt/system/socket_entry.h"
#include "lumenrt/system/socket_status.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

// ---- errtext ----

// Prints the text of code N in the chosen table; 1 when N falls to the table's catch-all row.
int RunErrtext(const std::string& kind, long long n) {
  const int code = static_cast<int>(n);
  const char* text = nullptr;
  bool known = false;
  if (kind == "socket") {
    text = SocketErrorTextFor(code);
    known = IsKnownSocketError(code);
  } else if (kind == "resolver") {
    known = code >= 11001 && code <= 11004;
    text = known ? SocketErrorTextFor(code) : kSocketErrorTexts[0];
  } else if (kind == "rpc") {
    text = RpcStatusText(code);
    known = text != kRpcStatusTexts[kRpcStatusRows - 1];
  } else if (kind == "icmp") {
    text = UnreachableCodeName(code);
    known = code >= 0 && code <= 12;
  } else if (kind == "errno") {
    const int winsock = WinsockErrorFromErrno(code);
    text = SocketErrorTextFor(winsock);
    known = IsKnownSocketError(winsock);
  } else {
    return Fail(kExitUsage, "unknown table '" + kind + "' (one of socket, resolver, rpc, icmp, errno)");
  }
  std::cout << text << "\n";
  return known ? kExitOk : kExitNone;
}

// ---- trace ----

constexpr int kProbesPerHop = 3;

struct TraceOptions {
  std::string host;
  long long maxHops = 30;
  bool shortWait = false;
  bool timing = false;
  long long basePort = kDefaultTraceBasePort;
};

#ifdef _WIN32
using socklen_t = int;
// Winsock's own error numbers need no mapping.
int LastSocketError() { return WSAGetLastError(); }
std::string SystemErrorLine(int error) { return SocketErrorTextFor(error); }
bool RawSocketRefused(int error) { return error == WSAEACCES; }
int OpenSocket(int family, int type, int protocol) {
  const SOCKET s = socket(family, type, protocol);
  return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}
void CloseSocket(int fd) { closesocket(static_cast<SOCKET>(fd)); }

// Winsock, started for the run of the command.
struct WinsockSession {
  bool started = false;
  WinsockSession() {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started) WSACleanup();
  }
};
#else
int LastSocketError() { return errno; }
std::string SystemErrorLine(int error) { return SocketErrorTextFor(WinsockErrorFromErrno(error)); }
bool RawSocketRefused(int error) { return error == EPERM || error == EACCES; }
int OpenSocket(int family, int type, int protocol) { return socket(family, type, protocol); }
void CloseSocket(int fd) { close(fd); }
struct WinsockSession {};
#endif

// A socket closed when the tracer is done with it.
struct SocketGuard {
  int fd = -1;
  ~SocketGuard() {
    if (fd >= 0) CloseSocket(fd);
  }
};

// The tracing state filled for one run and emptied again afterwards.
struct TracingGuard {
  ~TracingGuard() {
    ReleaseTraceAddressCache();
    Tracing().probe = nullptr;
    Tracing().socket = -1;
    InstalledSocketEntryPoints() = {};
    SetSocketLastErrorEntry(nullptr);
  }
};

// Microseconds on the high-resolution counter, as WaitForReply records arrivals.
long long Microseconds(std::int64_t seconds, std::int64_t micros) { return seconds * 1000000 + micros; }

long long NowMicroseconds() {
  const std::int64_t counter = HighResolutionCounter(), frequency = HighResolutionFrequency();
  if (counter <= 0 || frequency <= 0) return 0;
  const std::int64_t rest = counter % frequency;
  return Microseconds(counter / frequency, frequency <= INT64_MAX / 1000000 ? rest * 1000000 / frequency
                                                                            : rest / (frequency / 1000000));
}

std::string AddressText(const std::uint8_t address[4]) {
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, address, text, sizeof text);
  return text;
}

int RunTrace(const TraceOptions& o) {
  if (o.basePort + o.maxHops * kProbesPerHop - 1 > 65535)
    return Fail(kExitUsage, "--port " + std::to_string(o.basePort) + " leaves no room for " +
                                std::to_string(o.maxHops * kProbesPerHop) + " probe ports below 65536");
  [[maybe_unused]] WinsockSession winsock;
  TracingGuard guard;
  TracingState& t = Tracing();
  ReleaseTraceAddressCache();

  // The host's address is looked up once and kept in the address cache.
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  if (const int rc = getaddrinfo(o.host.c_str(), nullptr, &hints, &t.addressCache[0]); rc != 0) {
    t.addressCache[0] = nullptr;
    // A name that names no host is bad input; a resolver that could not answer failed.
    return Fail(rc == EAI_NONAME ? kExitUsage : kExitNone,
                "cannot resolve '" + o.host + "': " + gai_strerror(rc));
  }
  sockaddr_in destination{};
  std::memcpy(&destination, t.addressCache[0]->ai_addr, sizeof destination);
  char destinationText[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &destination.sin_addr, destinationText, sizeof destinationText);

  SocketGuard raw{OpenSocket(AF_INET, SOCK_RAW, IPPROTO_ICMP)};
  if (raw.fd < 0) {
    const int error = LastSocketError();
    if (RawSocketRefused(error))
      return Fail(kExitNone,
                  "trace needs a raw ICMP socket, which this user may not open (run as root or "
                  "grant CAP_NET_RAW)");
    return Fail(kExitNone, "cannot open a raw ICMP socket: " + SystemErrorLine(error));
  }
  SocketGuard udp{OpenSocket(AF_INET, SOCK_DGRAM, 0)};
  sockaddr_in local{};
  local.sin_family = AF_INET;
  socklen_t localLength = sizeof local;
  if (udp.fd < 0 || bind(udp.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      getsockname(udp.fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0)
    return Fail(kExitNone, "cannot open the UDP probe socket: " + SystemErrorLine(LastSocketError()));

  InstalledSocketEntryPoints() = PosixSocketEntryPoints();
  SetSocketLastErrorEntry(PosixSocketLastError);
  TraceProbeRecord record;
  t.socket = raw.fd;
  t.shortWait = o.shortWait ? 1 : 0;
  t.timing = o.timing ? 1 : 0;
  t.probe = &record;
  t.ident = ntohs(local.sin_port);
  t.basePort = static_cast<std::int32_t>(o.basePort);

  std::cerr << "trace to " << o.host << " (" << destinationText << "), " << o.maxHops << " hops max\n";
  bool reached = false, unreachable = false;
  try {
    for (int ttl = 1; ttl <= o.maxHops && !reached && !unreachable; ++ttl) {
      char number[16];
      std::snprintf(number, sizeof number, "%2d", ttl);
      std::string line = number;
      std::string lastAddress;
      if (setsockopt(udp.fd, IPPROTO_IP, IP_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl) != 0)
        return Fail(kExitNone, "cannot set the time-to-live: " + SystemErrorLine(LastSocketError()));
      for (int q = 0; q < kProbesPerHop; ++q) {
        const int s = (ttl - 1) * kProbesPerHop + q;
        destination.sin_port = htons(static_cast<std::uint16_t>(t.basePort + s));
        const long long sent = NowMicroseconds();
        if (sendto(udp.fd, "lumenrt", 7, 0, reinterpret_cast<sockaddr*>(&destination), sizeof destination) <
            0) {
          std::cout << line << "\n";
          return Fail(kExitNone,
                      "cannot send probe " + std::to_string(s) + ": " + SystemErrorLine(LastSocketError()));
        }
        record = {};
        std::int32_t times[2] = {0, 0};
        const int answer = WaitForReply(s, times);
        if (answer == kReplyNone) {
          line += " *";
          continue;
        }
        const std::string from = AddressText(record.from.address);
        if (from != lastAddress) {
          line += "  " + from;
          lastAddress = from;
        }
        if (o.timing) {
          char rtt[32];
          std::snprintf(rtt, sizeof rtt, "  %.3f ms", (Microseconds(times[0], times[1]) - sent) / 1000.0);
          line += rtt;
        }
        if (answer == kReplyPortUnreachable) reached = true;
        if (answer >= 0) {
          line += std::string(" !") + UnreachableCodeName(answer);
          unreachable = true;
        }
      }
      std::cout << line << "\n";
    }
  } catch (const GenericError& e) {
    return Fail(kExitNone, e.text);
  }
  return reached ? kExitOk : kExitNone;
}

struct ErrtextRequest {
  std::string table;
  long long code = 0;
};

const Registration kErrtext{[](CLI::App& tool) {
  auto r = std::make_shared<ErrtextRequest>();
  CLI::App* errtext = AddCommand(tool, "errtext",
                                 "print the status line of a socket, resolver, remote-call, ICMP unreachable "
                                 "or errno code; exit 1 when the table has no line of its own for it",
                                 [r] { return RunErrtext(r->table, r->code); });
  errtext->add_option("TABLE", r->table, "socket, resolver, rpc, icmp or errno")
      ->required()
      ->check(CLI::IsMember({"socket", "resolver", "rpc", "icmp", "errno"}));
  AddInteger(*errtext, "N", r->code, INT_MIN, INT_MAX, "N", "the code")->required();
  AddExamples(*errtext, {"lumenrt errtext socket 10054", "lumenrt errtext errno 111"});
}};

const Registration kTrace{[](CLI::App& tool) {
  auto o = std::make_shared<TraceOptions>();
  CLI::App* trace = AddCommand(tool, "trace",
                               "trace the route to HOST with UDP probes, three per hop, one line per hop; "
                               "needs a raw ICMP socket (root or CAP_NET_RAW); exit 1 when HOST is not "
                               "reached",
                               [o] { return RunTrace(*o); });
  trace->add_option("HOST", o->host, "the host (name or IPv4 address)")->required();
  AddInteger(*trace, "--max-hops", o->maxHops, 1, 255, "N", "the largest time-to-live tried (default 30)");
  trace->add_flag("--short-wait", o->shortWait, "wait 1 second for each answer instead of 3");
  trace->add_flag("--timing", o->timing, "print each probe's round-trip time in milliseconds");
  AddInteger(*trace, "--port", o->basePort, 1, 65535, "BASE",
             "probe s goes to UDP port BASE + s (default 33435)");
  AddExamples(*trace,
              {"lumenrt trace 198.51.100.7", "lumenrt trace --max-hops 8 --timing --short-wait backup01"});
}};

}  // namespace
}  // namespace lumenrt::tool
