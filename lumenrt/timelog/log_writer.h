// The rotating log writer: one log per process, a ring of three files <directory><base>-1.LOG to
// -3.LOG, the next one started empty once more than 32767 bytes have been counted into the current
// one. Each line is the 12-character time prefix (MessageTimePrefix), the text and a newline. The
// file number (0-2) and the byte count live under the agent's registry key as "<base>_CurrLogFileNo"
// and "<base>_CurrLogBytesWritten", so a restart continues in the right file at the right size.
// Without an open file (before LogOpen, or when the file cannot be opened) lines go to standard
// output.
//
// Crashes: each line is flushed first and its count (prefix + text + 1) stored after it; a rotation
// empties the next file first and then stores file number and count 0 in one store transaction.
// Opening to append takes the file's real size as the count when the stored one differs. So a
// process killed at any moment loses at most the line being written (which may be left partial);
// the next one continues in the right file, with a count equal to the file's size.
//
// Failed writes (a full disk): a line the file does not take whole is reported as message 4152
// (facility 39 "LOGS", naming the file) on standard error, LogWrite answers 0, and what arrived of it
// is cut off again, so the count stays the file's size and the next line starts on a line of its
// own. Where the file cannot be cut, the count is what the file really holds and the torn line is
// ended with a line feed as soon as there is room.
//
// Several processes may write one log base at once: each holds an advisory lock on file 1 of the
// ring (opened, and created, for the purpose) around opening, each line and each rotation, and
// when the file is not as it left it, continues at the position the other writer stored. No line
// is lost and no file grows past the limit by more than one line. The lock binds only writers that
// take it.
//
// A store that cannot be read at open (busy, corrupt) is reported, and the writer continues in the
// newest existing file of the ring, with the numbers in memory from then on.
//
// The first LogOpen of a process reports the version banner (message 4314, facility 1 "AGNT") to
// the default message sink, which usually brings it back here as the file's first line.
//
// Stored numbers out of their range: a negative file number or byte count counts as missing (0,
// written back); a file number above 2 names a file outside the ring (5 opens -6.LOG) and the ring
// goes on from there until the number would pass 2147483647, where it starts over at 0; a byte
// count above the limit rotates after the next line.
//
// The library closes the log when it is unloaded (and so at the process's end); lines written after
// that go to standard output.
//
// Thread safety: process-wide state; one thread writes at a time (the lock is between processes).
#pragma once

#include <cstdint>
#include <string>

#include "lumenrt/platform/export.h"

// Longest directory and base name LogOpen accepts, in characters.
inline constexpr int kLogNameMax = 519;
// A file is closed and the next one started once more than this many bytes have been counted.
inline constexpr std::int32_t kLogSizeLimit = 32767;
// Files in the ring.
inline constexpr std::int32_t kLogFileCount = 3;
// The version banner of the library, written once per process.
inline constexpr const char kLogVersionBanner[] = "5.00.1524 May  4 2004 11:04:06";

// Opens (or reopens, closing the current file) the log. directory is used as written (it ends with
// a path separator); null counts as empty. truncate 1 starts the file empty; any other value
// appends. Returns 1 when the file is open, 0 when it could not be opened (lines then go to standard
// output) or when the directory or base name is longer than 519 characters: that call is refused
// and changes nothing.
LUMENRT_EXPORT int LogOpen(const char* directory, const char* baseName, int truncate);

// Writes one line (null text counts as empty). channel is not used. Returns 1, or 0 when the file
// did not take the whole line (reported; see above).
LUMENRT_EXPORT int LogWrite(int channel, const char* text);

// Moves to the next file when the current one has grown past the size limit; called by LogWrite.
// The next file is started empty.
LUMENRT_EXPORT void LogRotate();

namespace lumenrt {

struct LUMENRT_EXPORT LogStatus {
  bool open = false;     // a file is open
  std::string fileName;  // the current file's name (empty before the first LogOpen)
  std::int32_t fileNumber = -1;
  std::int32_t bytesWritten = -1;
  long long failedWrites = 0;  // lines the file did not take whole, since the process started
};

// The writer's state, for hosts and tests.
LUMENRT_EXPORT LogStatus CurrentLogStatus();

// Where the log of a base name stands according to the registry, read as LogOpen reads it but
// changing nothing (no value is written back, no file is opened): for readers of the ring in
// another process than its writer. Failures to read the store are reported as by ReadAgentNumber.
struct LUMENRT_EXPORT LogPosition {
  std::string keyPath;            // the registry key holding both values (kAgentKey)
  std::string fileNumberValue;    // "<base>_CurrLogFileNo"
  std::string bytesWrittenValue;  // "<base>_CurrLogBytesWritten"
  int fileNumberRead = 0;         // what ReadAgentNumber answered: 1 stored, 0 missing, -1 unreadable
  int bytesWrittenRead = 0;
  std::int32_t storedFileNumber = 0;  // the values as stored, when read (1)
  std::int32_t storedBytesWritten = 0;
  // The current file's number as a writer would take it: the stored one, 0 when it is missing or
  // negative, the newest existing file of the ring when the store cannot be read.
  std::int32_t fileNumber = 0;
  std::int32_t bytesWritten = 0;  // the stored count; 0 when missing, negative or unreadable
  std::string fileName;           // the name of the current file
};
LUMENRT_EXPORT LogPosition ReadLogPosition(const char* directory, const char* baseName);

// The name of the log's file `number`: directory + base name + "-" + (number + 1) + ".LOG" (null
// texts count as empty).
LUMENRT_EXPORT std::string LogFileName(const char* directory, const char* baseName, std::int32_t number);

// The number of the file that follows `number`: the next one, 0 after the ring's last (2), and 0
// again after 2147483647 for a number outside the ring.
LUMENRT_EXPORT std::int32_t NextLogFileNumber(std::int32_t number);

// Closes the current file (and releases the lock file); later lines go to standard output until the next
// LogOpen. The numbers in the registry stay as they are.
LUMENRT_EXPORT void LogClose();

}  // namespace lumenrt
