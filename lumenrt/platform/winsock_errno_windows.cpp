// The C run-time's errno values named by the socket status table, with their Winsock numbers. The
// socket layer itself reports Winsock numbers here (WSAGetLastError), so a value that already is
// one is answered unchanged.
#include <cerrno>

#include "lumenrt/platform/winsock_errno.h"

namespace lumenrt {
namespace {

struct Mapping {
  int errnoValue;
  int winsock;
};

// One line per row of the socket status table that the C run-time has an errno value for. Both
// EAGAIN and EWOULDBLOCK (two values here) mean "operation would block" to a socket call: 10035.
constexpr Mapping kMappings[] = {
    {EPERM, 10001},       {ENOENT, 10002},          {ESRCH, 10003},        {EINTR, 10004},
    {EIO, 10005},         {ENXIO, 10006},           {E2BIG, 10007},        {ENOEXEC, 10008},
    {EBADF, 10009},       {ECHILD, 10010},          {ENOMEM, 10012},       {EACCES, 10013},
    {EFAULT, 10014},      {EBUSY, 10016},           {EEXIST, 10017},       {EXDEV, 10018},
    {ENODEV, 10019},      {ENOTDIR, 10020},         {EISDIR, 10021},       {EINVAL, 10022},
    {ENFILE, 10023},      {EMFILE, 10024},          {ENOTTY, 10025},       {ETXTBSY, 10026},
    {EFBIG, 10027},       {ENOSPC, 10028},          {ESPIPE, 10029},       {EROFS, 10030},
    {EMLINK, 10031},      {EPIPE, 10032},           {EDOM, 10033},         {ERANGE, 10034},
    {EAGAIN, 10035},      {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},  {EALREADY, 10037},
    {ENOTSOCK, 10038},    {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},     {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042}, {EPROTONOSUPPORT, 10043}, {EOPNOTSUPP, 10045},   {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},  {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},     {ENETUNREACH, 10051},
    {ENETRESET, 10052},   {ECONNABORTED, 10053},    {ECONNRESET, 10054},   {ENOBUFS, 10055},
    {EISCONN, 10056},     {ENOTCONN, 10057},        {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},
    {ELOOP, 10062},       {ENAMETOOLONG, 10063},    {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},
};

// Winsock's own numbers: WSABASEERR + 1 up to the resolver's (11001-11004) and a margin beyond.
constexpr int kFirstWinsockNumber = kNoWinsockError + 1;
constexpr int kLastWinsockNumber = 11999;

}  // namespace

int WinsockErrorFromErrno(int errnoValue) {
  if (errnoValue >= kFirstWinsockNumber && errnoValue <= kLastWinsockNumber) return errnoValue;
  if (errnoValue == 0) return kNoWinsockError;
  for (const Mapping& m : kMappings)
    if (m.errnoValue == errnoValue) return m.winsock;
  return kNoWinsockError;
}

}  // namespace lumenrt
