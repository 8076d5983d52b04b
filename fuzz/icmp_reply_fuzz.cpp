// libFuzzer target: ICMP reply decoding of untrusted messages. WaitForReply reads the messages from
// fake socket entry points and must answer a valid code or raise GenericError, never read a byte of
// the packet buffer past the bytes of the message (the rest of the buffer is poisoned under
// AddressSanitizer after each read), and never loop without reading. The clock stands still, so the
// probe's wait never runs out while messages remain and every select is given the whole wait.
//
// Input: byte 0 is the probe number, byte 1 the flags (bit 0 short wait, bit 1 timing), then the
// messages, each a 16-bit big-endian length and that many bytes (cut to what is left). The probes
// come from port 0x8123 and go to 33435 + probe.
//
// Built by the fuzz preset (clang):
//   cmake --preset fuzz && cmake --build --preset fuzz
//   build-fuzz/bin/icmp_reply_fuzz -max_len=4096 -max_total_time=60 fuzz/corpus/icmp_reply
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#else  // a compiler without the sanitizers' headers (MinGW): the markings do nothing
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

#include "lumenrt/platform/clock.h"
#include "lumenrt/plugins/generic_error.h"
#include "lumenrt/system/icmp_reply.h"
#include "lumenrt/system/socket_entry.h"
#include "lumenrt/system/socket_status.h"

namespace {

constexpr int kSocket = 3;

const std::uint8_t* input = nullptr;
std::size_t left = 0;
int reads = 0, selects = 0;

void Check(bool condition) {
  if (!condition) std::abort();
}

int FakeSelect(int count, lumenrt::SocketSet* readSet, lumenrt::SocketSet*, lumenrt::SocketSet*,
               const lumenrt::SocketTimeLimit* limit) {
  ++selects;
  Check(count == kSocket + 1 && readSet != nullptr && readSet->Contains(kSocket));
  Check(limit != nullptr && (limit->seconds == 1 || limit->seconds == 3) && limit->microseconds == 0);
  return left >= 2 ? 1 : 0;
}

int FakeRecvFrom(int socket, char* buffer, int length, int, void* from, int* fromLength) {
  Check(socket == kSocket && length == lumenrt::kTracePacketSize);
  ++reads;
  ASAN_UNPOISON_MEMORY_REGION(buffer, length);
  std::size_t n = static_cast<std::size_t>(input[0]) << 8 | input[1];
  input += 2;
  left -= 2;
  if (n > left) n = left;
  if (n > static_cast<std::size_t>(length)) n = static_cast<std::size_t>(length);
  std::memcpy(buffer, input, n);
  input += n;
  left -= n;
  ASAN_POISON_MEMORY_REGION(buffer + n, length - n);
  if (from != nullptr && fromLength != nullptr &&
      *fromLength >= static_cast<int>(sizeof(lumenrt::Ipv4SocketAddress)))
    *fromLength = sizeof(lumenrt::Ipv4SocketAddress);
  return static_cast<int>(n);
}

std::uint16_t Htons(std::uint16_t value) { return static_cast<std::uint16_t>(value >> 8 | value << 8); }

int Error() { return 10054; }

class StillClock : public lumenrt::platform::Clock {
 public:
  std::uint64_t CurrentFileTime() override { return 0; }
  bool CurrentLocalZone(lumenrt::LocalZone*) override { return false; }
  std::int64_t HighResolutionCounter() override { return 1000000; }
  std::int64_t HighResolutionFrequency() override { return 1000000; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  lumenrt::InstalledSocketEntryPoints() = {FakeSelect, FakeRecvFrom, Htons, Error};
  static StillClock clock;
  lumenrt::platform::SubstituteClock(&clock);
  lumenrt::TracingState& t = lumenrt::Tracing();
  lumenrt::TraceProbeRecord record;
  t.socket = kSocket;
  t.probe = &record;
  t.ident = 0x8123;
  t.basePort = lumenrt::kDefaultTraceBasePort;
  t.shortWait = data[1] & 1;
  t.timing = (data[1] >> 1) & 1;
  input = data + 2;
  left = size - 2;
  reads = selects = 0;
  std::int32_t times[2] = {0, 0};
  try {
    const int answer = WaitForReply(data[0], times);
    Check(answer >= -3 && answer <= 255);
    Check(answer != -3 || left < 2);
  } catch (const GenericError& e) {
    Check(e.code == lumenrt::kGenericErrorCode && e.text.size() <= 255);
  }
  Check(selects == reads || selects == reads + 1);
  ASAN_UNPOISON_MEMORY_REGION(t.packet, sizeof t.packet);
  t.probe = nullptr;
  return 0;
}
