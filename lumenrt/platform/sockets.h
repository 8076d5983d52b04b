// Socket entry points: the shapes of the Berkeley operations the library's network helpers call
// (select, recvfrom, htons and a last-error query), and this platform's implementation of them.
//
// The library never opens sockets or calls the socket layer on its own: the host installs these
// entry points (see lumenrt/system/socket_status.h and lumenrt/system/icmp_reply.h) and the helpers
// call whatever was installed. A POSIX host installs the ones below, which forward to the C library;
// a test installs fakes of the same shape. Nothing here includes the system's socket headers, so code
// above the platform layer stays free of them:
//
// - `SocketSet` is a descriptor set of the library's own; the select entry point copies it into and
//   out of the system's set.
// - Socket addresses travel as untyped pointers with an int length (the caller's buffer, at most the
//   size the caller states); `Ipv4SocketAddress` has the byte layout of an IPv4 socket address.
// - Error numbers are the socket layer's (Winsock-style, 10000 plus the BSD number; see
//   WinsockErrorFromErrno in lumenrt/platform/winsock_errno.h).
//
// Thread safety: the POSIX entry points keep no state and may be called from any thread.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

struct addrinfo;

namespace lumenrt {

// A set of sockets for select, shaped as this system's select sets are:
// - on POSIX systems a bit per socket number, for the numbers 0 to kCapacity - 1 (the system's set
//   has room for no others);
// - on Windows a list of up to kCapacity socket values (as Winsock's own set is), so any socket
//   value that is not negative goes in: Windows sockets are handle values, which grow past 1023 in
//   a process with many handles open.
// Adding a socket that Holds refuses, or a new one to a full list, is refused (Add answers false)
// and leaves the set unchanged; adding a socket already held answers true.
class LUMENRT_EXPORT SocketSet {
 public:
  static constexpr int kCapacity = 1024;  // the system's FD_SETSIZE

  // Whether a set can hold this socket at all (whatever else it holds).
  static constexpr bool Holds(int socket) {
#ifdef _WIN32
    return socket >= 0;
#else
    return socket >= 0 && socket < kCapacity;
#endif
  }

  bool Add(int socket);
  bool Contains(int socket) const;
  void Clear();

#ifdef _WIN32
  // The sockets held, in the order added (what the system's set is filled from).
  const int* begin() const { return sockets_; }
  const int* end() const { return sockets_ + count_; }
#endif

 private:
#ifdef _WIN32
  int count_ = 0;
  int sockets_[kCapacity] = {};
#else
  std::uint64_t bits_[kCapacity / 64] = {};
#endif
};

// A select time limit; the entry point is given none (nullptr) to wait without limit.
struct SocketTimeLimit {
  long seconds = 0;
  long microseconds = 0;
};

// An IPv4 socket address as the socket layer stores it: family, port and address in network order.
struct Ipv4SocketAddress {
  std::uint16_t family = 0;
  std::uint16_t port = 0;  // network byte order
  std::uint8_t address[4] = {};
  std::uint8_t zero[8] = {};
};
static_assert(sizeof(Ipv4SocketAddress) == 16);

// select: waits until a socket of the sets is ready or the limit passes; answers the number of ready
// sockets (the sets then hold only those), 0 on time-out, -1 on failure.
using SocketSelectEntry = int (*)(int count, SocketSet* readSet, SocketSet* writeSet, SocketSet* errorSet,
                                  const SocketTimeLimit* limit);
// recvfrom: reads one message into buffer (length bytes); from/fromLength, when not null, receive the
// sender's address (fromLength holds the buffer's size on entry). Answers the bytes read or -1.
using SocketRecvFromEntry = int (*)(int socket, char* buffer, int length, int flags, void* from,
                                    int* fromLength);
// htons: a 16-bit number from host to network byte order.
using SocketHtonsEntry = std::uint16_t (*)(std::uint16_t value);
// The socket layer's error number for the last failed call on this thread.
using SocketLastErrorEntry = int (*)();

// This platform's entry points, forwarding to the C library (on Windows to Winsock, started on first
// use; the names stay the same there). PosixSocketSelect answers -1 (errno EINVAL) for a count
// outside 0 to SocketSet::kCapacity; on Windows it ignores the count, as Winsock's select does (the
// sets list their sockets). PosixSocketLastError maps errno through WinsockErrorFromErrno (on Windows
// it answers WSAGetLastError, Winsock numbers already).
LUMENRT_EXPORT int PosixSocketSelect(int count, SocketSet* readSet, SocketSet* writeSet, SocketSet* errorSet,
                                     const SocketTimeLimit* limit);
LUMENRT_EXPORT int PosixSocketRecvFrom(int socket, char* buffer, int length, int flags, void* from,
                                       int* fromLength);
LUMENRT_EXPORT std::uint16_t PosixSocketHtons(std::uint16_t value);
LUMENRT_EXPORT int PosixSocketLastError();

// Releases an address-information chain as the system's resolver made it (freeaddrinfo); null is
// ignored.
LUMENRT_EXPORT void ReleaseAddressInfo(addrinfo* chain);

}  // namespace lumenrt
