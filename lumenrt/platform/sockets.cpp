// SocketSet: the library's own descriptor set (the system's set is filled from it at the call).
#include "lumenrt/platform/sockets.h"

namespace lumenrt {

bool SocketSet::Add(int socket) {
  if (socket < 0 || socket >= kCapacity) return false;
  bits_[socket / 64] |= std::uint64_t{1} << (socket % 64);
  return true;
}

bool SocketSet::Contains(int socket) const {
  if (socket < 0 || socket >= kCapacity) return false;
  return (bits_[socket / 64] >> (socket % 64)) & 1;
}

void SocketSet::Clear() {
  for (auto& word : bits_) word = 0;
}

}  // namespace lumenrt
