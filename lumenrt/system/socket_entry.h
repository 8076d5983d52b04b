// The socket entry points the host installs for the route tracer, and the library's wrappers.
//
// The library opens no socket and loads no socket library: the host's socket layer installs select,
// recvfrom, htons and its error entry here (a POSIX host installs lumenrt::PosixSocketEntryPoints()
// from lumenrt/platform/sockets.h; tests install fakes), and the ICMP reply decoding calls them only
// through the wrappers below.
//
// An entry point that is not installed is a usage error of the host: its wrapper raises GenericError
// through RaiseFormatted (lumenrt/system/tracing_state.h) naming it, rather than calling through null.
//
// Thread safety: installed once by the host before use; the wrappers add no state of their own.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/sockets.h"

namespace lumenrt {

struct SocketEntryPoints {
  SocketSelectEntry select = nullptr;
  SocketRecvFromEntry recvfrom = nullptr;
  SocketHtonsEntry htons = nullptr;
  SocketLastErrorEntry error = nullptr;
};

// The installed entry points (all empty until the host installs them).
LUMENRT_EXPORT SocketEntryPoints& InstalledSocketEntryPoints();
// This platform's entry points (the C library's operations).
LUMENRT_EXPORT SocketEntryPoints PosixSocketEntryPoints();

// Pass-through wrappers: each forwards its arguments unchanged to the installed entry point.
LUMENRT_EXPORT int SocketRecvFrom(int socket, char* buffer, int length, int flags, void* from,
                                  int* fromLength);
LUMENRT_EXPORT std::uint16_t SocketHtons(std::uint16_t value);
LUMENRT_EXPORT int SocketError();

// Calls the installed select with the same sets and the time limit given (null waits without limit).
LUMENRT_EXPORT int SocketSelectWithin(int count, SocketSet* readSet, SocketSet* writeSet, SocketSet* errorSet,
                                      const SocketTimeLimit* limit);

}  // namespace lumenrt

// Calls the installed select with the same sets; a negative `seconds` waits without limit, otherwise
// the limit is `seconds` and 0 microseconds. Answers select's result.
LUMENRT_EXPORT int SocketSelect(int count, lumenrt::SocketSet* readSet, lumenrt::SocketSet* writeSet,
                                lumenrt::SocketSet* errorSet, int seconds);
