// ICMP reply decoding for route tracing: waits for the ICMP message that answers one UDP probe and
// classifies it, and names the destination-unreachable codes.
//
// The host's tracing code opens a raw ICMP socket, sends UDP probes with rising time-to-live values
// from source port `ident` to port `basePort + s` (s the probe number), fills the tracing state below
// and calls WaitForReply(s, times) for each probe. Socket operations go through the entry points the
// host installed (lumenrt/system/socket_entry.h).
//
// Failures are raised through RaiseFormatted (lumenrt/system/tracing_state.h), which first releases
// the address cache. The rest of the tracing state is left as it was.
//
// Thread safety: the tracing state is process-wide and unguarded; one trace runs at a time.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"
#include "lumenrt/system/tracing_state.h"

namespace lumenrt {

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
// Raises GenericError when the socket cannot go into a select set (lumenrt::SocketSet::Holds: on
// POSIX systems 0 to SocketSet::kCapacity - 1, on Windows any socket that is not negative), when the
// read fails (the text of SocketErrorText), and for a message shorter than the ICMP header
// ("icmplen (N) < 8").
LUMENRT_EXPORT int WaitForReply(int probe, std::int32_t times[2]);

// The name of a destination-unreachable code ("port unreachable" for 3); "[unknown code]" for codes
// outside 0-12. The text is constant.
LUMENRT_EXPORT const char* UnreachableCodeName(int code);
