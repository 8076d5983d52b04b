// ICMP reply decoding for route tracing: waits for the ICMP message that answers one UDP probe and
// classifies it, and names the destination-unreachable codes.
//
// The host's tracing code opens a raw ICMP socket, sends UDP probes with rising time-to-live values
// from source port `ident` to port `basePort + s` (s the probe number), fills the tracing state below
// and calls WaitForReply(s, times) for each probe. Socket operations go through the entry points the
// host installed (lumenrt/system/socket_entry.h).
//
// Failures are raised as GenericError by value (text, code kGenericErrorCode), always through
// RaiseFormatted, which first releases the address cache. The rest of the tracing state is left as
// it was.
//
// Thread safety: the tracing state is process-wide and unguarded; one trace runs at a time.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/sockets.h"
#include "lumenrt/plugins/generic_error.h"

namespace lumenrt {

inline constexpr int kTracePacketSize = 1500;
inline constexpr int kTraceAddressCacheSlots = 4;
inline constexpr std::int32_t kDefaultTraceBasePort = 33435;

// What WaitForReply needs of the host's probe record: a buffer for the sender of each message read
// and that buffer's length (set to the buffer's size before the call; the read updates it).
struct TraceProbeRecord {
  Ipv4SocketAddress from;
  int fromLength = sizeof(Ipv4SocketAddress);
};

struct TracingState {
  int socket = -1;                                // the raw ICMP socket
  std::uint8_t shortWait = 0;                     // non-zero: a probe's wait lasts 1 second, else 3
  std::uint8_t timing = 0;                        // non-zero: record each message's arrival time
  TraceProbeRecord* probe = nullptr;              // receives the sender of each message (may be null)
  unsigned char packet[kTracePacketSize] = {};    // the last message read, IPv4 header included
  std::uint16_t ident = 0;                        // the UDP source port of the probes
  std::int32_t basePort = kDefaultTraceBasePort;  // probe s goes to port basePort + s
  // Host look-up results kept by the socket layer: chains made by the system's resolver, owned here
  // and released (and emptied) before every raise, or by ReleaseTraceAddressCache.
  addrinfo* addressCache[kTraceAddressCacheSlots] = {};
};

LUMENRT_EXPORT TracingState& Tracing();

// Releases every chain in the address cache and empties its slots.
LUMENRT_EXPORT void ReleaseTraceAddressCache();

// WaitForReply answers.
inline constexpr int kReplyTimeExceeded = -2;     // a router on the way: time-to-live exhausted
inline constexpr int kReplyPortUnreachable = -1;  // the destination answered
inline constexpr int kReplyNone = -3;             // no answering message before a wait expired

}  // namespace lumenrt

// Waits for the ICMP message that answers probe `probe`. Returns -2 (time exceeded in transit, type
// 11 code 0), -1 (port unreachable, type 3 code 3), the code 0-255 of another destination-unreachable
// message, or -3 when the probe's wait (1 or 3 seconds, see shortWait) passes without an answer.
// Messages of other types, for other probes, too short to quote a probe's IPv4 and UDP headers, or
// whose quoted headers do not lie within the bytes read are skipped.
//
// The wait bounds the whole probe: it runs from the call on the platform's high-resolution counter
// (lumenrt/platform/clock.h), and each message skipped leaves only what remains of it, so a stream of
// other ICMP traffic (pings to or from the host) cannot keep the call waiting. Where the counter
// cannot be read, the probe gets one wait of the whole length and ends with the first message skipped.
//
// With timing set, `times` (two numbers, may be null) receives the arrival of the last message read
// on the platform's high-resolution counter: whole seconds, then the fraction in microseconds; both 0
// when the counter cannot be read.
//
// Raises GenericError when the socket cannot go into a select set (negative or not below
// lumenrt::SocketSet::kCapacity), when the read fails (the text of SocketErrorText), and for a
// message shorter than the ICMP header ("icmplen (N) < 8").
LUMENRT_EXPORT int WaitForReply(int probe, std::int32_t times[2]);

// The name of a destination-unreachable code ("port unreachable" for 3); "[unknown code]" for codes
// outside 0-12. The text is constant.
LUMENRT_EXPORT const char* UnreachableCodeName(int code);

// Formats a text with printf rules, cut to 255 characters, releases the address cache and throws
// GenericError(text, lumenrt::kGenericErrorCode) by value.
[[noreturn]] LUMENRT_EXPORT void RaiseFormatted(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
