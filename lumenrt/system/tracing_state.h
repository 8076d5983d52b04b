// The tracing state that the host fills for route tracing, and RaiseFormatted, through which every
// failure of tracing and of the socket entry points is raised.
//
// The host's tracing code opens a raw ICMP socket, fills this state and calls WaitForReply
// (lumenrt/system/icmp_reply.h) for each probe; the socket entry points
// (lumenrt/system/socket_entry.h) raise through RaiseFormatted when one is missing.
//
// Failures are raised as GenericError by value (text, code kGenericErrorCode); RaiseFormatted first
// releases the address cache, and leaves the rest of the state as it was.
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

}  // namespace lumenrt

// Formats a text with printf rules, cut to 255 characters, releases the address cache and throws
// GenericError(text, lumenrt::kGenericErrorCode) by value.
[[noreturn]] LUMENRT_EXPORT void RaiseFormatted(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
