// WaitForReply and UnreachableCodeName.
#include "lumenrt/system/icmp_reply.h"

#include <cstdio>
#include <cstring>

#include "lumenrt/platform/clock.h"
#include "lumenrt/system/socket_entry.h"
#include "lumenrt/system/socket_status.h"

namespace lumenrt {
namespace {

constexpr int kIcmpHeaderSize = 8;
constexpr int kMinIpv4HeaderSize = 20;
constexpr int kUdpPortsSize = 4;
// ICMP header, the quoted IPv4 header without options and the quoted UDP header.
constexpr int kAnswerMinimum = kIcmpHeaderSize + kMinIpv4HeaderSize + 8;

constexpr int kTypeUnreachable = 3;
constexpr int kTypeTimeExceeded = 11;
constexpr int kCodePortUnreachable = 3;

// A count of the high-resolution counter as whole seconds and microseconds (truncated).
void SplitCounts(std::int64_t counts, std::int64_t frequency, std::int64_t* seconds, std::int64_t* micros) {
  const std::int64_t remainder = counts % frequency;
  *seconds = counts / frequency;
  *micros =
      frequency <= INT64_MAX / 1000000 ? remainder * 1000000 / frequency : remainder / (frequency / 1000000);
}

// Arrival time on the high-resolution counter: whole seconds and microseconds, or 0 and 0.
void RecordArrival(std::int32_t times[2]) {
  const std::int64_t counter = HighResolutionCounter();
  const std::int64_t frequency = HighResolutionFrequency();
  if (counter <= 0 || frequency <= 0) {
    times[0] = times[1] = 0;
    return;
  }
  std::int64_t seconds, micros;
  SplitCounts(counter, frequency, &seconds, &micros);
  times[0] = static_cast<std::int32_t>(seconds);
  times[1] = static_cast<std::int32_t>(micros);
}

// A 16-bit field as it lies in the packet (network order), read as the host reads such a field.
std::uint16_t Field16(const unsigned char* at) {
  std::uint16_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Messages that answer no probe.
constexpr int kNotAnAnswer = INT32_MIN;

// What one message read says about the probe whose UDP ports are ident and port: the WaitForReply
// answer, or kNotAnAnswer. Raises for a message shorter than the ICMP header.
int Classify(const unsigned char* packet, int cc, std::uint16_t ident, std::int32_t port) {
  const int h = cc > 0 ? (packet[0] & 0x0F) * 4 : 0;
  const int n = cc - h;
  if (n < kIcmpHeaderSize) RaiseFormatted("icmplen (%d) < 8", n);
  const int type = packet[h];
  const int code = packet[h + 1];
  if (!((type == kTypeTimeExceeded && code == 0) || type == kTypeUnreachable)) return kNotAnAnswer;
  // Too short to quote a probe's IPv4 and UDP headers: someone else's message, not this probe's.
  if (n < kAnswerMinimum) return kNotAnAnswer;

  // The quoted IPv4 header of the probe, then its UDP ports. A quoted header that claims less than
  // a bare IPv4 header, or whose ports would lie past the bytes read, answers no probe.
  const int quoted = h + kIcmpHeaderSize;
  const int quotedLength = (packet[quoted] & 0x0F) * 4;
  const int udp = quoted + quotedLength;
  if (quotedLength < kMinIpv4HeaderSize || udp + kUdpPortsSize > cc) return kNotAnAnswer;
  if (Field16(packet + udp) != SocketHtons(ident)) return kNotAnAnswer;
  if (Field16(packet + udp + 2) != SocketHtons(static_cast<std::uint16_t>(port))) return kNotAnAnswer;

  if (type == kTypeTimeExceeded) return kReplyTimeExceeded;
  return code == kCodePortUnreachable ? kReplyPortUnreachable : code;
}

// The one deadline of a probe's wait, on the high-resolution counter: messages that answer another
// probe use up the wait rather than starting a new one.
class ProbeDeadline {
 public:
  explicit ProbeDeadline(int seconds) : frequency_(HighResolutionFrequency()) {
    const std::int64_t now = HighResolutionCounter();
    readable_ =
        frequency_ > 0 && now > 0 && frequency_ <= INT64_MAX / 4 && now <= INT64_MAX - seconds * frequency_;
    if (readable_) end_ = now + seconds * frequency_;
  }

  // The time left, into *limit; false once the deadline has passed. The first call leaves *limit
  // (the whole wait) as it is. Where the counter cannot be read, the probe gets that one wait.
  bool Remaining(SocketTimeLimit* limit) {
    if (first_) {
      first_ = false;
      return true;
    }
    const std::int64_t now = readable_ ? HighResolutionCounter() : 0;
    if (now <= 0 || now >= end_) return false;
    std::int64_t seconds, micros;
    SplitCounts(end_ - now, frequency_, &seconds, &micros);
    limit->seconds = static_cast<long>(seconds);
    limit->microseconds = static_cast<long>(micros);
    return true;
  }

 private:
  std::int64_t frequency_;
  std::int64_t end_ = 0;
  bool readable_ = false;
  bool first_ = true;
};

}  // namespace

}  // namespace lumenrt

int WaitForReply(int probe, std::int32_t times[2]) {
  using namespace lumenrt;
  TracingState& t = Tracing();
  if (!SocketSet::Holds(t.socket)) {
    // Sets that go by socket number end below kCapacity; sets that list sockets take any socket.
    if (!SocketSet::Holds(SocketSet::kCapacity))
      RaiseFormatted("socket %d cannot be waited on: select takes socket numbers 0 to %d only", t.socket,
                     SocketSet::kCapacity - 1);
    RaiseFormatted("socket %d cannot be waited on: it is not a socket number", t.socket);
  }
  const int waitSeconds = t.shortWait ? 1 : 3;
  ProbeDeadline deadline(waitSeconds);
  for (;;) {
    SocketTimeLimit limit{waitSeconds, 0};
    if (!deadline.Remaining(&limit)) return kReplyNone;
    SocketSet readable;
    readable.Add(t.socket);
    if (SocketSelectWithin(t.socket + 1, &readable, nullptr, nullptr, &limit) <= 0) return kReplyNone;

    TraceProbeRecord* record = t.probe;
    const int cc = SocketRecvFrom(t.socket, reinterpret_cast<char*>(t.packet), kTracePacketSize, 0,
                                  record != nullptr ? &record->from : nullptr,
                                  record != nullptr ? &record->fromLength : nullptr);
    if (cc == -1) {
      SocketError();
      RaiseFormatted("%s", SocketErrorText());
    }
    if (cc < 0 || cc > kTracePacketSize)
      RaiseFormatted("recvfrom answered %d for a buffer of %d bytes", cc, kTracePacketSize);
    if (t.timing && times != nullptr) RecordArrival(times);

    const int answer = Classify(t.packet, cc, t.ident, t.basePort + probe);
    if (answer != kNotAnAnswer) return answer;
  }
}

const char* UnreachableCodeName(int code) {
  static constexpr const char* kNames[] = {
      "no route to dest netw",
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
      "host unreachable type of service",
  };
  if (code < 0 || code >= static_cast<int>(sizeof kNames / sizeof kNames[0])) return "[unknown code]";
  return kNames[code];
}
