// The installed socket entry points and their wrappers.
#include "lumenrt/system/socket_entry.h"

#include "lumenrt/system/tracing_state.h"

namespace lumenrt {

SocketEntryPoints& InstalledSocketEntryPoints() {
  static SocketEntryPoints entries;
  return entries;
}

SocketEntryPoints PosixSocketEntryPoints() {
  return {PosixSocketSelect, PosixSocketRecvFrom, PosixSocketHtons, PosixSocketLastError};
}

int SocketRecvFrom(int socket, char* buffer, int length, int flags, void* from, int* fromLength) {
  auto entry = InstalledSocketEntryPoints().recvfrom;
  if (entry == nullptr) RaiseFormatted("the socket entry point recvfrom is not installed");
  return entry(socket, buffer, length, flags, from, fromLength);
}

std::uint16_t SocketHtons(std::uint16_t value) {
  auto entry = InstalledSocketEntryPoints().htons;
  if (entry == nullptr) RaiseFormatted("the socket entry point htons is not installed");
  return entry(value);
}

int SocketError() {
  auto entry = InstalledSocketEntryPoints().error;
  if (entry == nullptr) RaiseFormatted("the socket error entry is not installed");
  return entry();
}

int SocketSelectWithin(int count, SocketSet* readSet, SocketSet* writeSet, SocketSet* errorSet,
                       const SocketTimeLimit* limit) {
  auto entry = InstalledSocketEntryPoints().select;
  if (entry == nullptr) RaiseFormatted("the socket entry point select is not installed");
  return entry(count, readSet, writeSet, errorSet, limit);
}

}  // namespace lumenrt

int SocketSelect(int count, lumenrt::SocketSet* readSet, lumenrt::SocketSet* writeSet,
                 lumenrt::SocketSet* errorSet, int seconds) {
  if (seconds < 0) return lumenrt::SocketSelectWithin(count, readSet, writeSet, errorSet, nullptr);
  const lumenrt::SocketTimeLimit limit{seconds, 0};
  return lumenrt::SocketSelectWithin(count, readSet, writeSet, errorSet, &limit);
}
