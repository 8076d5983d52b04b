// The socket, resolver and remote-call status tables, and SocketErrorText.
#include "lumenrt/system/socket_status.h"

#include <cstdio>
#include <cstring>

#include "lumenrt/platform/internal/runtime_error_text.h"

namespace lumenrt {

// Frozen: texts and row widths are what the agent's network code prints and compares.
const char kSocketErrorTexts[kSocketErrorRows][kSocketErrorWidth] = {
    "EUNDEF, undefined winsock error code",
    "EPERM, not owner",
    "ENOENT, no such file or directory",
    "ESRCH, no such process",
    "EINTR, operation was canceled/interrupted",
    "EIO, I/O error",
    "ENXIO, no such device or address",
    "E2BIG, argument list too long",
    "ENOEXEC, executor format error",
    "EBADF, bad file number",
    "ECHILD, no children",
    "EAGAIN, no more processes",
    "ENOMEM, not enough memory",
    "EACCES, permission was denied",
    "EFAULT, bad address",
    "ENOTBLK, block device required",
    "EBUSY, mount device busy",
    "EEXIST, file exists",
    "EXDEV, cross-link device",
    "ENODEV, no such device",
    "ENOTDIR, not a directory",
    "EISDIR, is a directory",
    "EINVAL, invalid argument",
    "ENFILE, file table overflow",
    "EMFILE, too many open files",
    "ENOTTY, not a typewrite",
    "ETXTBSY, text file busy",
    "EFBIG, file too large",
    "ENOSPC, no space left on device",
    "ESPIPE, illegal seek",
    "EROFS, read-only file system",
    "EMLINK, too many links",
    "EPIPE, broken pipe",
    "EDOM, agrument too large",
    "ERANGE, result too large",
    "EWOULDBLOCK, operation would block",
    "EINPROGRESS, operation now in progress",
    "EALREADY, operation already in progress",
    "ENOTSOCK, socket operation not on socket",
    "EDESTADDRREQ, destination address is required",
    "EMSGSIZE, message too long",
    "EPROTOTYPE, protocol wrong type for socket",
    "ENOPROTOOPT, protocol not available",
    "EPROTONOSUPPORT, protocol not supported",
    "ESOCKNOSUPPORT, socket type not supported",
    "EOPNOTSUPP, operation not supported on socket",
    "EPFNOSUPPORT, protocol family not supported",
    "EAFNOSUPPORT, address family not supported",
    "EADDRINUSE, address already in use",
    "EADDRNOTAVAIL, cannot assign requested address",
    "ENETDOWN, network down",
    "ENETUNREACH, network unreachable",
    "ENETRESET, network dropped connection on reset",
    "ECONNABORTED, software caused connection abort",
    "ECONNRESET, connection reset by peer",
    "ENOBUFS, no buffer space available",
    "EISCONN, socket already connected",
    "ENOTCONN, socket not connected",
    "ESHUTDOWN, cannot send after socket shutdown",
    "ETOOMANYREFS, too many references:cannot splice",
    "ETIMEDOUT, connection timed out",
    "ECONNREFUSED, connection refused",
    "ELOOP, too many levels of symbolic links",
    "ENAMETOOLONG, file name is too long",
    "EHOSTDOWN, host down",
    "EHOSTUNREACH, no route to host/unreachable",
    "ENOTEMPTY, directory not empty",
    "EPROCLIM, too many processes",
    "EUSERS, too many users",
    "EDQUOT, disk quota exceeded",
    "ESTALE, ",
    "EREMOTE, ",
    "SYSNOTREADY, network subsystem not ready",
    "VERNOTSUPPORTED, winsock version not supported",
    "NOTINITIALISED, error initializing sockets dll",
};

// Frozen.
const char kResolverErrorTexts[kResolverErrorRows][kResolverErrorWidth] = {
    "HOST_NOT_FOUND, host not found",               // 11001
    "TRY_AGAIN, host not found or server failure",  // 11002
    "NO_RECOVERY, non-recoverable error",           // 11003
    "NO_DATA, no data record of requested type",    // 11004
};

// Frozen.
const char kRpcStatusTexts[kRpcStatusRows][kRpcStatusWidth] = {
    "RPC-S-SUCCESS, call succeeded",
    "RPC-E-CANTENCODEARGS, can't encode arguments",
    "RPC-E-CANTDECODERES, can't decode results",
    "RPC-E-CANTSEND, failure in sending call",
    "RPC-E-CANTRECV, failure in receiving results",
    "RPC-E-TIMEDOUT, call timed out",
    "RPC-E-VERSMISMATCH, rpc versions not compatible",
    "RPC-E-AUTHERROR, authentication error",
    "RPC-E-PROGUNAVAIL, program not available",
    "RPC-E-PROGVERSMISMATCH, program version mismatched",
    "RPC-E-PROCUNAVAIL, procedure unavailable",
    "RPC-E-CANTDECODEARGS, decode arguments error",
    "RPC-E-SYSTEMERROR, generic -other problem-",
    "RPC-E-UNKNOWNADDR, unknown service address",
    "RPC-E-PMAPFAILURE, the pmapper failed in its call",
    "RPC-E-PROGNOTREGISTERED, remote program is not registered",
    "RPC-E-FAILED, general rpc failure",
    "RPC-E-UNKNOWNPROTO, unknown protocol",
    "RPC-E-CLOSED, Dorvan connection closed",
    "RPC-E-PRIORFAIL, prior replyless RPC call failed",
    "RPC-E-UNKNOWN, unknown rpc error status code",
};
namespace {

int SocketRow(int code) {
  if (code >= 10001 && code <= 10071) return code - 10000;
  if (code >= 10091 && code <= 10093) return code - 10091 + 72;
  return 0;
}

constexpr int kNotInitialised = 10093;

}  // namespace

SocketErrorState& SocketErrors() {
  static SocketErrorState state;
  return state;
}

void SetSocketLastErrorEntry(SocketLastErrorEntry entry) { SocketErrors().lastError = entry; }

void SaveSystemError(int error, const char* context) {
  SocketErrorState& state = SocketErrors();
  state.savedSystemError = error;
  std::snprintf(state.savedSystemContext, sizeof state.savedSystemContext, "%s",
                context != nullptr ? context : "");
}

void SaveSocketError(int error) { SocketErrors().savedSocketError = error; }

const char* SocketErrorTextFor(int code) {
  if (code >= 11001 && code <= 11004) return kResolverErrorTexts[code - 11001];
  return kSocketErrorTexts[SocketRow(code)];
}

bool IsKnownSocketError(int code) { return SocketErrorTextFor(code) != kSocketErrorTexts[0]; }

const char* RpcStatusText(int status) {
  return kRpcStatusTexts[status >= 0 && status < kRpcStatusRows - 1 ? status : kRpcStatusRows - 1];
}

}  // namespace lumenrt

const char* SocketErrorText() {
  lumenrt::SocketErrorState& state = lumenrt::SocketErrors();
  int code;
  if (state.lastError != nullptr) {
    code = state.lastError();
  } else if (state.savedSystemError != 0) {
    char text[1024];
    // The saved error is an errno value: the C run-time's text, on every system.
    if (lumenrt::platform::RuntimeErrorText(state.savedSystemError, text, sizeof text) == 0)
      std::snprintf(text, sizeof text, "Unknown error %d", state.savedSystemError);
    // The context is kept terminated by its writers; the bound guards a host that filled it by hand.
    // A long system text is cut to the buffer; the line is always terminated.
    if (std::snprintf(state.result, sizeof state.result, "SYSERR, %s %.63s", text, state.savedSystemContext) <
        0)
      state.result[0] = '\0';
    state.savedSystemError = 0;
    return state.result;
  } else if (state.savedSocketError == 0) {
    state.savedSocketError = lumenrt::kNotInitialised;
    return lumenrt::SocketErrorTextFor(lumenrt::kNotInitialised);
  } else {
    code = state.savedSocketError;
    state.savedSocketError = 0;
  }
  return lumenrt::SocketErrorTextFor(code);
}
