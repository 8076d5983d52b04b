// The message catalogue: turns a (facility, message number) pair with one argument into a line of
// text and routes it.
//
// A message format is a string-table entry (at most 127 characters) whose identifier is the message
// number, shaped "%s-", severity letter (E, F, I, W), "-", identifier in capitals, ", ", text with
// one conversion for the argument. The first "%s" receives the facility's four-character code
// (lumenrt/core/facility_table.h). The formats come from the message module (`MessageModule`;
// empty means the library's built-in table; lumenrt/core/message_format.h loads the host's
// catalogue files). A message number without a format is written as "Unable to load string #<n>".
//
// Filling a format: when it holds two "%s", the part before the second is filled with the
// facility code, the argument text is inserted verbatim and the rest is appended verbatim;
// otherwise the whole format is filled with the facility code and the argument, cut to 2047
// characters. Filling never reads more than those two values: a conversion without a value, or one
// the catalogue does not fill ("%n", "%p", "%f", "*" widths), is copied as written. A text given
// to a numeric conversion is printed as text, a number given to "%s" in decimal.
//
// Routing (`ReportMessage`): a MessageSink record, null (the default destination: the default log
// file when one is set, else the default log route, which the rotating log writer takes), or the special
// value `LogWriterSink()`.
//
// Thread safety: no locks. The severity counters are plain increments; callers that need exact
// counts across threads report one at a time. Callers sharing a text buffer take turns. Nothing
// here raises: a message that cannot be built for want of memory is lost and the report answers 0.
#pragma once

#include <cstdint>
#include <ostream>

#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"

// An open log file of the agent's: a stream and the file's name (used in message 4152).
struct LUMENRT_EXPORT LogFileRecord {
  std::ostream* stream = nullptr;
  const char* name = nullptr;
};

// Where a message goes. The library reads these four fields in this order; the rest of the record
// belongs to the agent. The tests are made on textBuffer, toLog, logFile, quiet; the first set wins.
struct LUMENRT_EXPORT MessageSink {
  std::int32_t quiet = 0;            // non-zero: count only
  LogFileRecord* logFile = nullptr;  // write prefix, text and a line feed to this stream
  char* textBuffer = nullptr;        // append the text and a line feed to this zero-terminated text
  std::int32_t toLog = 0;            // hand the text, without its head, to the log writer
  // Room of textBuffer in bytes, terminator included. 0 (or below) means unbounded, as agents that predate
  // the field expect; when set, an append that would not fit is cut to fit (and always terminated), and
  // ReportMessage answers 0. A buffer without a terminator within its room is left untouched.
  std::int32_t textCapacity = 0;
};

// The special sink value 1: the rotating log writer, without a severity letter and not counted.
LUMENRT_EXPORT MessageSink* LogWriterSink();

// Message globals: all empty or zero at load; set by the agent, never by the library.
extern LUMENRT_EXPORT ModuleHandle MessageModule;     // module whose string table holds the formats
extern LUMENRT_EXPORT LogFileRecord* DefaultLogFile;  // default destination of null sinks when set
extern LUMENRT_EXPORT std::int32_t CountMessages;     // non-zero: CountSeverity counts
extern LUMENRT_EXPORT std::int32_t SeverityCountE;
extern LUMENRT_EXPORT std::int32_t SeverityCountF;
extern LUMENRT_EXPORT std::int32_t SeverityCountI;
extern LUMENRT_EXPORT std::int32_t SeverityCountW;

// The agent's message module name; the library loads nothing by it.
inline constexpr const char kAgentMessageModuleName[] = "QXClMsg.dll";

// Loads the format of `message` into buffer (size bytes, the library passes 128); when there is no
// such entry, writes "Unable to load string #<message>" instead. Returns the text's length.
LUMENRT_EXPORT int LoadMessageString(int message, char* buffer, int size);

// Text of an operating-system error code: from `module`'s message table (a loaded catalogue is
// searched by code; the library's own image, an empty module, has none), else the system's own
// text, else "unknown error code 0x%X". Returns the length found, or 0 for the fallback.
LUMENRT_EXPORT int SystemErrorText(int code, char* buffer, int size, ModuleHandle module);

// The argument of a message: a text (null prints "(null)") or a number.
struct LUMENRT_EXPORT MessageArgument {
  MessageArgument(const char* t) : text(t) {}             // NOLINT
  MessageArgument(const ZString& t) : text(t.c_str()) {}  // NOLINT: the text must outlive the call
  MessageArgument(int n) : isNumber(true), number(n) {}   // NOLINT
  bool isNumber = false;
  const char* text = nullptr;
  int number = 0;
};

// Formats message m of facility f with argument a into result. `severityLetter` (may be null) is
// in/out: E, F, I or W replaces the format's own letter; any other value receives the format's
// letter (0 when the format has no "%s-" head). Returns the result's length.
LUMENRT_EXPORT int FormatMessageText(ZString& result, int facility, int message, MessageArgument argument,
                                     char* severityLetter);

// Routes one message to sink (see the header comment). The first character of severity, if any, is
// the wanted letter. Returns 1, or 0 when a log-file write failed (the line is then lost and
// message 4152 of facility 39 names the file in the log) or a bounded text buffer took only part
// of the line.
LUMENRT_EXPORT int ReportMessage(MessageSink* sink, int facility, int message, const char* argument,
                                 const ZString& severity);
LUMENRT_EXPORT int ReportMessage(MessageSink* sink, int facility, int message, const char* argument);
LUMENRT_EXPORT int ReportMessage(MessageSink* sink, int facility, int message, int argument,
                                 const ZString& severity);

// Reports message m with the operating system's text for `code` as its argument (carriage returns
// become blanks, line feeds go, one trailing blank and then one trailing full stop are dropped).
LUMENRT_EXPORT int ReportSystemError(MessageSink* sink, int facility, int message, int code,
                                     const ZString& severity, ModuleHandle module);
LUMENRT_EXPORT int ReportSystemError(MessageSink* sink, int facility, int message, int code);

// Hands one formatted line to the log writer on `channel` (the library always uses 0). With
// facility 0 the line is the part of the format after its first blank filled with the argument
// alone (the whole format when it has no blank).
LUMENRT_EXPORT void LogMessage(int channel, int facility, int message, MessageArgument argument,
                               char* severityLetter);

// Adds 1 to the letter's counter when CountMessages is non-zero and the letter is E, F, I or W.
LUMENRT_EXPORT void CountSeverity(int letter);
