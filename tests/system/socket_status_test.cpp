// Socket, resolver and remote-call status texts, the socket error state, and the errno mapping.
#include "lumenrt/system/socket_status.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/platform/winsock_errno.h"

namespace {

using lumenrt::SocketErrors;

struct Row {
  int code;
  const char* text;
};

// Expected rows of the status tables, with the number each row answers (-1: the catch-all row).
constexpr Row kSocketRows[] = {
    {-1, "EUNDEF, undefined winsock error code"},
    {10001, "EPERM, not owner"},
    {10002, "ENOENT, no such file or directory"},
    {10003, "ESRCH, no such process"},
    {10004, "EINTR, operation was canceled/interrupted"},
    {10005, "EIO, I/O error"},
    {10006, "ENXIO, no such device or address"},
    {10007, "E2BIG, argument list too long"},
    {10008, "ENOEXEC, executor format error"},
    {10009, "EBADF, bad file number"},
    {10010, "ECHILD, no children"},
    {10011, "EAGAIN, no more processes"},
    {10012, "ENOMEM, not enough memory"},
    {10013, "EACCES, permission was denied"},
    {10014, "EFAULT, bad address"},
    {10015, "ENOTBLK, block device required"},
    {10016, "EBUSY, mount device busy"},
    {10017, "EEXIST, file exists"},
    {10018, "EXDEV, cross-link device"},
    {10019, "ENODEV, no such device"},
    {10020, "ENOTDIR, not a directory"},
    {10021, "EISDIR, is a directory"},
    {10022, "EINVAL, invalid argument"},
    {10023, "ENFILE, file table overflow"},
    {10024, "EMFILE, too many open files"},
    {10025, "ENOTTY, not a typewrite"},
    {10026, "ETXTBSY, text file busy"},
    {10027, "EFBIG, file too large"},
    {10028, "ENOSPC, no space left on device"},
    {10029, "ESPIPE, illegal seek"},
    {10030, "EROFS, read-only file system"},
    {10031, "EMLINK, too many links"},
    {10032, "EPIPE, broken pipe"},
    {10033, "EDOM, agrument too large"},
    {10034, "ERANGE, result too large"},
    {10035, "EWOULDBLOCK, operation would block"},
    {10036, "EINPROGRESS, operation now in progress"},
    {10037, "EALREADY, operation already in progress"},
    {10038, "ENOTSOCK, socket operation not on socket"},
    {10039, "EDESTADDRREQ, destination address is required"},
    {10040, "EMSGSIZE, message too long"},
    {10041, "EPROTOTYPE, protocol wrong type for socket"},
    {10042, "ENOPROTOOPT, protocol not available"},
    {10043, "EPROTONOSUPPORT, protocol not supported"},
    {10044, "ESOCKNOSUPPORT, socket type not supported"},
    {10045, "EOPNOTSUPP, operation not supported on socket"},
    {10046, "EPFNOSUPPORT, protocol family not supported"},
    {10047, "EAFNOSUPPORT, address family not supported"},
    {10048, "EADDRINUSE, address already in use"},
    {10049, "EADDRNOTAVAIL, cannot assign requested address"},
    {10050, "ENETDOWN, network down"},
    {10051, "ENETUNREACH, network unreachable"},
    {10052, "ENETRESET, network dropped connection on reset"},
    {10053, "ECONNABORTED, software caused connection abort"},
    {10054, "ECONNRESET, connection reset by peer"},
    {10055, "ENOBUFS, no buffer space available"},
    {10056, "EISCONN, socket already connected"},
    {10057, "ENOTCONN, socket not connected"},
    {10058, "ESHUTDOWN, cannot send after socket shutdown"},
    {10059, "ETOOMANYREFS, too many references:cannot splice"},
    {10060, "ETIMEDOUT, connection timed out"},
    {10061, "ECONNREFUSED, connection refused"},
    {10062, "ELOOP, too many levels of symbolic links"},
    {10063, "ENAMETOOLONG, file name is too long"},
    {10064, "EHOSTDOWN, host down"},
    {10065, "EHOSTUNREACH, no route to host/unreachable"},
    {10066, "ENOTEMPTY, directory not empty"},
    {10067, "EPROCLIM, too many processes"},
    {10068, "EUSERS, too many users"},
    {10069, "EDQUOT, disk quota exceeded"},
    {10070, "ESTALE, "},
    {10071, "EREMOTE, "},
    {10091, "SYSNOTREADY, network subsystem not ready"},
    {10092, "VERNOTSUPPORTED, winsock version not supported"},
    {10093, "NOTINITIALISED, error initializing sockets dll"},
};
constexpr Row kResolverRows[] = {
    {11001, "HOST_NOT_FOUND, host not found"},
    {11002, "TRY_AGAIN, host not found or server failure"},
    {11003, "NO_RECOVERY, non-recoverable error"},
    {11004, "NO_DATA, no data record of requested type"},
};
constexpr Row kRpcRows[] = {
    {0, "RPC-S-SUCCESS, call succeeded"},
    {1, "RPC-E-CANTENCODEARGS, can't encode arguments"},
    {2, "RPC-E-CANTDECODERES, can't decode results"},
    {3, "RPC-E-CANTSEND, failure in sending call"},
    {4, "RPC-E-CANTRECV, failure in receiving results"},
    {5, "RPC-E-TIMEDOUT, call timed out"},
    {6, "RPC-E-VERSMISMATCH, rpc versions not compatible"},
    {7, "RPC-E-AUTHERROR, authentication error"},
    {8, "RPC-E-PROGUNAVAIL, program not available"},
    {9, "RPC-E-PROGVERSMISMATCH, program version mismatched"},
    {10, "RPC-E-PROCUNAVAIL, procedure unavailable"},
    {11, "RPC-E-CANTDECODEARGS, decode arguments error"},
    {12, "RPC-E-SYSTEMERROR, generic -other problem-"},
    {13, "RPC-E-UNKNOWNADDR, unknown service address"},
    {14, "RPC-E-PMAPFAILURE, the pmapper failed in its call"},
    {15, "RPC-E-PROGNOTREGISTERED, remote program is not registered"},
    {16, "RPC-E-FAILED, general rpc failure"},
    {17, "RPC-E-UNKNOWNPROTO, unknown protocol"},
    {18, "RPC-E-CLOSED, Dorvan connection closed"},
    {19, "RPC-E-PRIORFAIL, prior replyless RPC call failed"},
    {-1, "RPC-E-UNKNOWN, unknown rpc error status code"},
};

// Each row holds its text, then zeros to the end of the row.
template <int Rows, int Width>
void ExpectRows(const char (&table)[Rows][Width], const Row* expected, int count, const char* name) {
  ASSERT_EQ(Rows, count) << name;
  for (int i = 0; i < Rows; ++i) {
    const std::size_t n = std::strlen(expected[i].text);
    ASSERT_LT(n, static_cast<std::size_t>(Width)) << name << " row " << i;
    EXPECT_EQ(std::string(table[i], n), expected[i].text) << name << " row " << i;
    for (int k = static_cast<int>(n); k < Width; ++k)
      EXPECT_EQ(table[i][k], '\0') << name << " row " << i << " byte " << k;
  }
}

TEST(StatusTablesTest, RowsAreTheFrozenTextsZeroPadded) {
  static_assert(sizeof lumenrt::kSocketErrorTexts == 75 * 50);
  static_assert(sizeof lumenrt::kResolverErrorTexts == 4 * 45);
  static_assert(sizeof lumenrt::kRpcStatusTexts == 21 * 60);
  ExpectRows(lumenrt::kSocketErrorTexts, kSocketRows, std::size(kSocketRows), "socket");
  ExpectRows(lumenrt::kResolverErrorTexts, kResolverRows, std::size(kResolverRows), "resolver");
  ExpectRows(lumenrt::kRpcStatusTexts, kRpcRows, std::size(kRpcRows), "rpc");
  // The two rows that stop after the comma and blank.
  EXPECT_STREQ(lumenrt::kSocketErrorTexts[70], "ESTALE, ");
  EXPECT_STREQ(lumenrt::kSocketErrorTexts[71], "EREMOTE, ");
}

TEST(StatusTablesTest, EveryNumberFindsItsRowAndOthersTheCatchAll) {
  for (const Row& r : kSocketRows) {
    if (r.code < 0) continue;
    EXPECT_STREQ(lumenrt::SocketErrorTextFor(r.code), r.text) << r.code;
  }
  for (const Row& r : kResolverRows) EXPECT_STREQ(lumenrt::SocketErrorTextFor(r.code), r.text) << r.code;
  for (int code : {0, -1, 1, 54, 10000, 10072, 10090, 10094, 11000, 11005, 20054})
    EXPECT_EQ(lumenrt::SocketErrorTextFor(code), lumenrt::kSocketErrorTexts[0]) << code;
  EXPECT_STREQ(lumenrt::SocketErrorTextFor(10054), "ECONNRESET, connection reset by peer");
  EXPECT_TRUE(lumenrt::IsKnownSocketError(11004));
  EXPECT_FALSE(lumenrt::IsKnownSocketError(10072));

  for (const Row& r : kRpcRows) {
    if (r.code < 0) continue;
    EXPECT_STREQ(lumenrt::RpcStatusText(r.code), r.text) << r.code;
  }
  for (int status : {20, 21, -1, 1000})
    EXPECT_EQ(lumenrt::RpcStatusText(status), lumenrt::kRpcStatusTexts[20]) << status;
}

class SocketErrorTextTest : public ::testing::Test {
 protected:
  void SetUp() override { SocketErrors() = {}; }
  void TearDown() override { SocketErrors() = {}; }

  static int last_error_;
  static int calls_;
  static int LastError() {
    ++calls_;
    return last_error_;
  }
};
int SocketErrorTextTest::last_error_ = 0;
int SocketErrorTextTest::calls_ = 0;

// A saved system error is an errno value, described by the C run-time on every system (never by the
// system's own table of error codes, which on Windows gives other texts for the same numbers).
std::string SystemLine(int error, const std::string& context) {
  return "SYSERR, " + std::string(std::strerror(error)) + " " + context;
}

TEST_F(SocketErrorTextTest, SavedErrorsAreConsumedOnce) {
  struct Step {
    int savedSystem;  // set before the call when not 0
    const char* context;
    int savedSocket;       // set before the call when not 0
    std::string expected;  // the line returned
    int socketAfter;       // the saved socket error after the call
  };
  const std::string notInitialised = "NOTINITIALISED, error initializing sockets dll";
  const std::vector<std::vector<Step>> sequences = {
      // Nothing saved: 10093 is stored, then consumed; then stored again.
      {{0, "", 0, notInitialised, 10093}, {0, "", 0, notInitialised, 0}, {0, "", 0, notInitialised, 10093}},
      // A saved socket error is printed once.
      {{0, "", 10054, "ECONNRESET, connection reset by peer", 0}, {0, "", 0, notInitialised, 10093}},
      {{0, "", 11001, "HOST_NOT_FOUND, host not found", 0}},
      {{0, "", 10072, "EUNDEF, undefined winsock error code", 0}},
      // The system error comes first and leaves the socket error for the next call.
      {{2, "connect", 10060, SystemLine(2, "connect"), 10060},
       {0, "", 0, "ETIMEDOUT, connection timed out", 0}},
      {{2, "connect", 0, SystemLine(2, "connect"), 0}, {0, "", 0, notInitialised, 10093}},
      {{13, "", 0, SystemLine(13, ""), 0}},
      {{13, "bind", 0, "SYSERR, Permission denied bind", 0}},
      {{32, "send", 0, "SYSERR, Broken pipe send", 0}},
  };
  for (std::size_t i = 0; i < sequences.size(); ++i) {
    SocketErrors() = {};
    for (std::size_t k = 0; k < sequences[i].size(); ++k) {
      const Step& step = sequences[i][k];
      if (step.savedSystem != 0) lumenrt::SaveSystemError(step.savedSystem, step.context);
      if (step.savedSocket != 0) lumenrt::SaveSocketError(step.savedSocket);
      EXPECT_EQ(SocketErrorText(), step.expected) << "sequence " << i << " step " << k;
      EXPECT_EQ(SocketErrors().savedSocketError, step.socketAfter) << "sequence " << i << " step " << k;
      EXPECT_EQ(SocketErrors().savedSystemError, 0) << "sequence " << i << " step " << k;
    }
  }
}

TEST_F(SocketErrorTextTest, AnInstalledLastErrorEntryIsAskedEveryTimeAndSavedErrorsStay) {
  lumenrt::SetSocketLastErrorEntry(LastError);
  lumenrt::SaveSystemError(2, "connect");
  lumenrt::SaveSocketError(10061);
  calls_ = 0;
  for (int code : {10054, 10054, 10000, 11002}) {
    last_error_ = code;
    EXPECT_STREQ(SocketErrorText(), lumenrt::SocketErrorTextFor(code)) << code;
  }
  EXPECT_EQ(calls_, 4);
  EXPECT_EQ(SocketErrors().savedSystemError, 2);
  EXPECT_EQ(SocketErrors().savedSocketError, 10061);
}

TEST_F(SocketErrorTextTest, TheSystemLineStaysWithinItsBuffers) {
  const std::string longContext(200, 'c');
  lumenrt::SaveSystemError(2, longContext.c_str());
  EXPECT_EQ(std::string(SocketErrors().savedSystemContext), longContext.substr(0, 63));
  const char* line = SocketErrorText();
  EXPECT_EQ(line, SocketErrors().result);
  EXPECT_EQ(std::string(line), SystemLine(2, longContext.substr(0, 63)));

  // A context filled by hand without its terminator is read to 63 characters only.
  std::memset(SocketErrors().savedSystemContext, 'x', sizeof SocketErrors().savedSystemContext);
  SocketErrors().savedSystemError = 2;
  EXPECT_EQ(std::string(SocketErrorText()), SystemLine(2, std::string(63, 'x')));

  // A code the system has no text for still gives a line.
  lumenrt::SaveSystemError(987654, nullptr);
  EXPECT_EQ(std::string(SocketErrorText()).rfind("SYSERR, ", 0), 0u);
}

TEST(WinsockErrorFromErrnoTest, EachErrnoWithARowPrintsThatRow) {
  struct Case {
    int errnoValue;
    const char* mnemonic;
  } cases[] = {
      {EPERM, "EPERM,"},
      {ENOENT, "ENOENT,"},
      {EINTR, "EINTR,"},
      {EBADF, "EBADF,"},
      {EACCES, "EACCES,"},
      {EFAULT, "EFAULT,"},
      {EINVAL, "EINVAL,"},
      {EMFILE, "EMFILE,"},
      {EPIPE, "EPIPE,"},
      {ERANGE, "ERANGE,"},
      {EAGAIN, "EWOULDBLOCK,"},
      {EINPROGRESS, "EINPROGRESS,"},
      {EALREADY, "EALREADY,"},
      {ENOTSOCK, "ENOTSOCK,"},
      {EDESTADDRREQ, "EDESTADDRREQ,"},
      {EMSGSIZE, "EMSGSIZE,"},
      {EPROTOTYPE, "EPROTOTYPE,"},
      {ENOPROTOOPT, "ENOPROTOOPT,"},
      {EPROTONOSUPPORT, "EPROTONOSUPPORT,"},
#ifdef ESOCKTNOSUPPORT
      {ESOCKTNOSUPPORT, "ESOCKNOSUPPORT,"},
#endif
      {EOPNOTSUPP, "EOPNOTSUPP,"},
#ifdef EPFNOSUPPORT
      {EPFNOSUPPORT, "EPFNOSUPPORT,"},
#endif
      {EAFNOSUPPORT, "EAFNOSUPPORT,"},
      {EADDRINUSE, "EADDRINUSE,"},
      {EADDRNOTAVAIL, "EADDRNOTAVAIL,"},
      {ENETDOWN, "ENETDOWN,"},
      {ENETUNREACH, "ENETUNREACH,"},
      {ENETRESET, "ENETRESET,"},
      {ECONNABORTED, "ECONNABORTED,"},
      {ECONNRESET, "ECONNRESET,"},
      {ENOBUFS, "ENOBUFS,"},
      {EISCONN, "EISCONN,"},
      {ENOTCONN, "ENOTCONN,"},
#ifdef ESHUTDOWN
      {ESHUTDOWN, "ESHUTDOWN,"},
#endif
#ifdef ETOOMANYREFS
      {ETOOMANYREFS, "ETOOMANYREFS,"},
#endif
      {ETIMEDOUT, "ETIMEDOUT,"},
      {ECONNREFUSED, "ECONNREFUSED,"},
      {ELOOP, "ELOOP,"},
      {ENAMETOOLONG, "ENAMETOOLONG,"},
#ifdef EHOSTDOWN
      {EHOSTDOWN, "EHOSTDOWN,"},
#endif
      {EHOSTUNREACH, "EHOSTUNREACH,"},
      {ENOTEMPTY, "ENOTEMPTY,"},
#ifdef EUSERS
      {EUSERS, "EUSERS,"},
#endif
#ifdef EDQUOT
      {EDQUOT, "EDQUOT,"},
#endif
#ifdef ESTALE
      {ESTALE, "ESTALE,"},
#endif
#ifdef EREMOTE
      {EREMOTE, "EREMOTE,"},
#endif
  };
  for (const Case& c : cases) {
    const int code = lumenrt::WinsockErrorFromErrno(c.errnoValue);
    EXPECT_EQ(std::string(lumenrt::SocketErrorTextFor(code)).rfind(c.mnemonic, 0), 0u)
        << c.mnemonic << " -> " << code;
  }
  EXPECT_EQ(lumenrt::WinsockErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(lumenrt::WinsockErrorFromErrno(ETIMEDOUT), 10060);
  for (int other : {0, -1, EDEADLK, ENOSYS, 100000})
    EXPECT_EQ(lumenrt::WinsockErrorFromErrno(other), lumenrt::kNoWinsockError) << other;
}

}  // namespace
