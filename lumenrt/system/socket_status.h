// Socket, resolver and remote-call status texts, and the socket error state they are read from.
//
// The agent's network code reports a failure as one line, mnemonic, comma, blank, explanation
// ("ECONNRESET, connection reset by peer"). Three frozen tables hold those lines, zero-padded to
// their row width:
//
// - kSocketErrorTexts, 75 rows of 50 bytes: row 0 for any number not listed, rows 1-71 for the socket
//   layer's numbers 10001-10071 (row = number - 10000), rows 72-74 for 10091-10093. Rows 70 and 71
//   ("ESTALE, ", "EREMOTE, ") end after the comma and blank.
// - kResolverErrorTexts, 4 rows of 45 bytes: the resolver's numbers 11001-11004.
// - kRpcStatusTexts, 21 rows of 60 bytes: row n for remote-call status n (0-19), row 20 for any
//   other status. Offered read-only to the agent's remote-call layer.
//
// The socket error state is written by the host's socket layer and read by SocketErrorText:
// the last-error entry (when installed, the source of the current error number), a saved system
// (errno) error with up to 63 characters of context, a saved socket error, and the 256-byte buffer
// that holds the last "SYSERR" line. Each saved error is consumed by the call that prints it.
//
// Thread safety: the state is process-wide and unguarded; one thread reports socket errors at a
// time. The tables are constant and may be read from any thread.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/sockets.h"

namespace lumenrt {

inline constexpr int kSocketErrorRows = 75;
inline constexpr int kSocketErrorWidth = 50;
inline constexpr int kResolverErrorRows = 4;
inline constexpr int kResolverErrorWidth = 45;
inline constexpr int kRpcStatusRows = 21;
inline constexpr int kRpcStatusWidth = 60;

extern LUMENRT_EXPORT const char kSocketErrorTexts[kSocketErrorRows][kSocketErrorWidth];
extern LUMENRT_EXPORT const char kResolverErrorTexts[kResolverErrorRows][kResolverErrorWidth];
extern LUMENRT_EXPORT const char kRpcStatusTexts[kRpcStatusRows][kRpcStatusWidth];

struct SocketErrorState {
  SocketLastErrorEntry lastError = nullptr;  // empty: the saved errors are used
  std::int32_t savedSystemError = 0;         // errno value, 0 = none
  char savedSystemContext[64] = {};          // words printed after the system error's text
  std::int32_t savedSocketError = 0;         // socket-layer number, 0 = none
  char result[256] = {};                     // the last "SYSERR" line
};

// The process-wide state. Hosts may set the fields directly; the helpers below keep the context
// within its 63 characters.
LUMENRT_EXPORT SocketErrorState& SocketErrors();

// Installs the last-error entry (null removes it).
LUMENRT_EXPORT void SetSocketLastErrorEntry(SocketLastErrorEntry entry);
// Records a system error with its context (null for none), cut to 63 characters.
LUMENRT_EXPORT void SaveSystemError(int error, const char* context);
// Records a socket-layer error number, for hosts without a last-error entry.
LUMENRT_EXPORT void SaveSocketError(int error);

// The line for a socket-layer or resolver number: 10001-10071 and 10091-10093 from the socket table,
// 11001-11004 from the resolver table, anything else (10000 included) the socket table's row 0.
// The text is constant and never freed.
LUMENRT_EXPORT const char* SocketErrorTextFor(int code);
// True when SocketErrorTextFor(code) is a line of its own rather than the catch-all row.
LUMENRT_EXPORT bool IsKnownSocketError(int code);

// The line for a remote-call status: row status for 0-19, row 20 for any other.
LUMENRT_EXPORT const char* RpcStatusText(int status);

}  // namespace lumenrt

// The line for the current socket error:
// 1. with a last-error entry installed, the line for its number;
// 2. else, with a saved system error, "SYSERR, <system text> <context>" in the result buffer (valid
//    until the next such line); the saved error is cleared;
// 3. else the line for the saved socket error, which is cleared; with none saved, 10093 is saved
//    instead and its "NOTINITIALISED" line returned, so the next call prints it once more.
LUMENRT_EXPORT const char* SocketErrorText();
