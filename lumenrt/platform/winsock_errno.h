// WinsockErrorFromErrno: this system's errno values as the socket layer's error numbers.
//
// The socket status texts (lumenrt/system/socket_status.h) are indexed by Winsock numbers, 10000 plus
// the classic BSD error number. Each errno value that names a row of that table maps to the row's
// number: ECONNRESET to 10054, ETIMEDOUT to 10060, EACCES to 10013, and so on. EAGAIN, which is
// EWOULDBLOCK here, maps to 10035 ("operation would block"), the meaning a socket call gives it.
// Any other value (0 included) maps to 10000, which the texts answer with their catch-all row. On
// Windows the C run-time's errno values are mapped (EAGAIN and EWOULDBLOCK, two values there, both to
// 10035), and a Winsock number (10001 to 11999), which the socket layer reports there, is its own
// answer.
//
// Thread safety: a pure function.
#pragma once

#include "lumenrt/platform/export.h"

namespace lumenrt {

inline constexpr int kNoWinsockError = 10000;

LUMENRT_EXPORT int WinsockErrorFromErrno(int errnoValue);

}  // namespace lumenrt
