// The socket entry points on POSIX systems: the C library's select, recvfrom and htons; SocketSet as
// a bit per socket number, as the system's set is.
#include <cerrno>
#include <climits>
#include <cstddef>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>

#include "lumenrt/platform/sockets.h"
#include "lumenrt/platform/winsock_errno.h"

static_assert(lumenrt::SocketSet::kCapacity == FD_SETSIZE, "SocketSet must match the system's select sets");
static_assert(sizeof(lumenrt::Ipv4SocketAddress) == sizeof(sockaddr_in));
static_assert(offsetof(sockaddr_in, sin_port) == offsetof(lumenrt::Ipv4SocketAddress, port));
static_assert(offsetof(sockaddr_in, sin_addr) == offsetof(lumenrt::Ipv4SocketAddress, address));

namespace lumenrt {

bool SocketSet::Add(int socket) {
  if (!Holds(socket)) return false;
  bits_[socket / 64] |= std::uint64_t{1} << (socket % 64);
  return true;
}

bool SocketSet::Contains(int socket) const {
  if (!Holds(socket)) return false;
  return (bits_[socket / 64] >> (socket % 64)) & 1;
}

void SocketSet::Clear() {
  for (auto& word : bits_) word = 0;
}

namespace {

void ToSystem(const SocketSet* from, int count, fd_set* to) {
  FD_ZERO(to);
  if (from == nullptr) return;
  for (int s = 0; s < count; ++s)
    if (from->Contains(s)) FD_SET(s, to);
}

void FromSystem(const fd_set* from, int count, SocketSet* to) {
  if (to == nullptr) return;
  to->Clear();
  for (int s = 0; s < count; ++s)
    if (FD_ISSET(s, from)) to->Add(s);
}

}  // namespace

int PosixSocketSelect(int count, SocketSet* readSet, SocketSet* writeSet, SocketSet* errorSet,
                      const SocketTimeLimit* limit) {
  if (count < 0 || count > SocketSet::kCapacity) {
    errno = EINVAL;
    return -1;
  }
  fd_set r, w, e;
  ToSystem(readSet, count, &r);
  ToSystem(writeSet, count, &w);
  ToSystem(errorSet, count, &e);
  timeval tv{};
  if (limit != nullptr) {
    tv.tv_sec = limit->seconds;
    tv.tv_usec = limit->microseconds;
  }
  const int result = select(count, readSet ? &r : nullptr, writeSet ? &w : nullptr, errorSet ? &e : nullptr,
                            limit ? &tv : nullptr);
  if (result >= 0) {
    FromSystem(&r, count, readSet);
    FromSystem(&w, count, writeSet);
    FromSystem(&e, count, errorSet);
  }
  return result;
}

int PosixSocketRecvFrom(int socket, char* buffer, int length, int flags, void* from, int* fromLength) {
  if (length < 0 || (from != nullptr && (fromLength == nullptr || *fromLength < 0))) {
    errno = EINVAL;
    return -1;
  }
  socklen_t size = from != nullptr ? static_cast<socklen_t>(*fromLength) : 0;
  const ssize_t n = recvfrom(socket, buffer, static_cast<std::size_t>(length), flags,
                             static_cast<sockaddr*>(from), from != nullptr ? &size : nullptr);
  if (n < 0) return -1;
  // The system reports the address's full size even when it was cut to the buffer.
  if (from != nullptr)
    *fromLength = size > static_cast<socklen_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
  return static_cast<int>(n);
}

std::uint16_t PosixSocketHtons(std::uint16_t value) { return htons(value); }

int PosixSocketLastError() { return WinsockErrorFromErrno(errno); }

void ReleaseAddressInfo(addrinfo* chain) {
  if (chain != nullptr) freeaddrinfo(chain);
}

}  // namespace lumenrt
