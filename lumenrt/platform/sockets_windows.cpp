// The socket entry points on Windows: Winsock's select, recvfrom and htons, and WSAGetLastError as
// the last error (Winsock numbers already). Winsock is started once, on the first call that needs
// it, and left started until the process ends (it counts its users).
//
// The names are those of the other systems' entry points (lumenrt/platform/sockets.h), so a host
// installs this platform's the same way everywhere. Socket numbers are Winsock's SOCKET values (handle
// values, which fit an int); a SocketSet lists up to SocketSet::kCapacity of them, as Winsock's own
// set does, so select's count is not needed and is ignored, as Winsock ignores it.
#define FD_SETSIZE 1024  // room for as many sockets as a SocketSet holds
#include <climits>
#include <cstddef>

#include <winsock2.h>
#include <ws2tcpip.h>

#include "lumenrt/platform/sockets.h"
#include "lumenrt/platform/winsock_errno.h"

static_assert(lumenrt::SocketSet::kCapacity <= FD_SETSIZE, "a SocketSet must fit the system's select sets");
static_assert(sizeof(lumenrt::Ipv4SocketAddress) == sizeof(sockaddr_in));
static_assert(offsetof(sockaddr_in, sin_port) == offsetof(lumenrt::Ipv4SocketAddress, port));
static_assert(offsetof(sockaddr_in, sin_addr) == offsetof(lumenrt::Ipv4SocketAddress, address));

namespace lumenrt {

bool SocketSet::Add(int socket) {
  if (!Holds(socket)) return false;
  if (Contains(socket)) return true;
  if (count_ == kCapacity) return false;
  sockets_[count_++] = socket;
  return true;
}

bool SocketSet::Contains(int socket) const {
  for (int held : *this)
    if (held == socket) return true;
  return false;
}

void SocketSet::Clear() { count_ = 0; }

namespace {

// True once Winsock has started for this process.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

bool ToSystem(const SocketSet* from, fd_set* to) {
  FD_ZERO(to);
  if (from == nullptr) return false;
  for (int s : *from) FD_SET(static_cast<SOCKET>(s), to);
  return to->fd_count != 0;
}

void FromSystem(const fd_set* from, SocketSet* to) {
  if (to == nullptr) return;
  to->Clear();
  for (u_int i = 0; i < from->fd_count; ++i)
    if (from->fd_array[i] <= static_cast<SOCKET>(INT_MAX)) to->Add(static_cast<int>(from->fd_array[i]));
}

}  // namespace

int PosixSocketSelect(int /*count*/, SocketSet* readSet, SocketSet* writeSet, SocketSet* errorSet,
                      const SocketTimeLimit* limit) {
  if (!WinsockStarted()) {
    WSASetLastError(WSANOTINITIALISED);
    return -1;
  }
  fd_set r, w, e;
  const bool any = ToSystem(readSet, &r) | ToSystem(writeSet, &w) | ToSystem(errorSet, &e);
  if (!any) {
    // Winsock refuses a select without sockets; elsewhere it waits out the limit.
    if (limit == nullptr) {
      WSASetLastError(WSAEINVAL);
      return -1;
    }
    Sleep(static_cast<DWORD>(limit->seconds * 1000 + limit->microseconds / 1000));
    return 0;
  }
  timeval tv{};
  if (limit != nullptr) {
    tv.tv_sec = limit->seconds;
    tv.tv_usec = limit->microseconds;
  }
  const int result = select(0, readSet ? &r : nullptr, writeSet ? &w : nullptr, errorSet ? &e : nullptr,
                            limit ? &tv : nullptr);
  if (result >= 0) {
    FromSystem(&r, readSet);
    FromSystem(&w, writeSet);
    FromSystem(&e, errorSet);
  }
  return result == SOCKET_ERROR ? -1 : result;
}

int PosixSocketRecvFrom(int socket, char* buffer, int length, int flags, void* from, int* fromLength) {
  if (length < 0 || (from != nullptr && (fromLength == nullptr || *fromLength < 0))) {
    WSASetLastError(WSAEINVAL);
    return -1;
  }
  if (!WinsockStarted()) {
    WSASetLastError(WSANOTINITIALISED);
    return -1;
  }
  const int n = recvfrom(static_cast<SOCKET>(socket), buffer, length, flags, static_cast<sockaddr*>(from),
                         from != nullptr ? fromLength : nullptr);
  return n == SOCKET_ERROR ? -1 : n;
}

std::uint16_t PosixSocketHtons(std::uint16_t value) { return htons(value); }

int PosixSocketLastError() {
  const int error = WSAGetLastError();
  return error != 0 ? error : kNoWinsockError;
}

void ReleaseAddressInfo(addrinfo* chain) {
  if (chain != nullptr) freeaddrinfo(chain);
}

}  // namespace lumenrt
