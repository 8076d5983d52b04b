#include "lumenrt/core/message_catalogue.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "lumenrt/core/facility_table.h"
#include "lumenrt/core/internal/built_in_messages.h"
#include "lumenrt/core/internal/format_conversion.h"
#include "lumenrt/core/internal/log_route.h"
#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/message_format.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/message_module.h"
#include "lumenrt/platform/system_error.h"

ModuleHandle MessageModule = nullptr;
LogFileRecord* DefaultLogFile = nullptr;
std::int32_t CountMessages = 0;
std::int32_t SeverityCountE = 0;
std::int32_t SeverityCountF = 0;
std::int32_t SeverityCountI = 0;
std::int32_t SeverityCountW = 0;

namespace {

using lumenrt::FormatConversion;

constexpr int kFormatSize = 128;        // a loaded format, terminator included
constexpr int kWorkAreaSize = 2048;     // the filled one-conversion form, terminator included
constexpr int kSystemTextSize = 1024;   // an operating-system text, terminator included
constexpr int kBufferLineLimit = 1022;  // characters of a line appended to a sink's text buffer
constexpr int kLogsFacility = 39;

bool IsSeverityLetter(char c) { return c == 'E' || c == 'F' || c == 'I' || c == 'W'; }

void AppendPadded(std::string& out, const FormatConversion& c, std::string_view text) {
  if (c.precision >= 0 && text.size() > static_cast<std::size_t>(c.precision))
    text = text.substr(0, static_cast<std::size_t>(c.precision));
  std::size_t pad = c.width > 0 && static_cast<std::size_t>(c.width) > text.size()
                        ? static_cast<std::size_t>(c.width) - text.size()
                        : 0;
  if (!c.leftAlign) out.append(pad, ' ');
  out.append(text);
  if (c.leftAlign) out.append(pad, ' ');
}

// A numeric conversion of a number, through the C library with only the flags that are defined for
// the conversion and an argument of exactly the type the rebuilt conversion reads.
void AppendNumber(std::string& out, const FormatConversion& c, int n) {
  std::string spec = "%";
  bool isSigned = c.letter == 'd' || c.letter == 'i';
  for (char flag : c.flags) {
    if (flag == '#' && c.letter != 'o' && c.letter != 'x' && c.letter != 'X') continue;
    if ((flag == '+' || flag == ' ') && !isSigned) continue;
    if (flag == '0' && c.letter == 'c') continue;
    spec += flag;
  }
  if (c.width >= 0) spec += std::to_string(c.width);
  if (c.precision >= 0 && c.letter != 'c') spec += "." + std::to_string(c.precision);
  char text[lumenrt::kMaxFieldWidth * 2 + 64];
  int written;
  if (isSigned) {
    long long v = c.lengthModifier == 'h'   ? static_cast<short>(n)
                  : c.lengthModifier == 'H' ? static_cast<signed char>(n)
                                            : n;
    spec += "lld";
    written = std::snprintf(text, sizeof text, spec.c_str(), v);
  } else if (c.letter == 'c') {
    spec += 'c';
    written = std::snprintf(text, sizeof text, spec.c_str(), static_cast<int>(static_cast<unsigned char>(n)));
  } else {
    unsigned long long v = c.lengthModifier == 'h'   ? static_cast<unsigned short>(n)
                           : c.lengthModifier == 'H' ? static_cast<unsigned char>(n)
                                                     : static_cast<unsigned int>(n);
    spec += "ll";
    spec += c.letter;
    written = std::snprintf(text, sizeof text, spec.c_str(), v);
  }
  if (written > 0)
    out.append(text, std::min<std::size_t>(static_cast<std::size_t>(written), sizeof text - 1));
}

std::string_view TextOf(const MessageArgument& a) { return a.text != nullptr ? a.text : "(null)"; }

// Fills format with values: conversion k takes values[k]. A conversion without a value, or one that
// is never filled, is copied as written. Stops once the output holds `limit` characters.
std::string FillFormat(std::string_view format, const MessageArgument* values, int count, std::size_t limit) {
  std::string out;
  int next = 0;
  std::size_t i = 0;
  while (i < format.size() && out.size() < limit) {
    std::size_t percent = format.find('%', i);
    if (percent != i) {
      std::size_t end = percent == std::string_view::npos ? format.size() : percent;
      out.append(format.substr(i, end - i));
      i = end;
      continue;
    }
    FormatConversion c = lumenrt::ParseFormatConversion(format, i);
    std::string_view written = format.substr(i, c.length);
    i += c.length;
    switch (c.kind) {
      case FormatConversion::kPercent:
      case FormatConversion::kIncomplete:
        out += '%';
        break;
      case FormatConversion::kUnsupported:
        out.append(written);
        ++next;
        break;
      case FormatConversion::kText:
      case FormatConversion::kNumber:
        if (next >= count) {
          out.append(written);
        } else if (values[next].isNumber && c.kind == FormatConversion::kNumber) {
          AppendNumber(out, c, values[next].number);
        } else if (values[next].isNumber) {
          AppendPadded(out, c, std::to_string(values[next].number));
        } else {
          AppendPadded(out, c, TextOf(values[next]));
        }
        ++next;
        break;
    }
  }
  if (out.size() > limit) out.resize(limit);
  return out;
}

// Loads the format of a message and applies the caller's severity letter (when letter is given):
// E, F, I or W replaces the format's own letter, any other value receives it (0 without a head).
std::string LoadFormat(int message, char* letter) {
  char format[kFormatSize];
  LoadMessageString(message, format, kFormatSize);
  if (letter != nullptr) {
    bool head = std::strncmp(format, "%s-", 3) == 0;
    if (IsSeverityLetter(*letter)) {
      if (!head) {
        *letter = 0;
      } else if (format[3] == '\0') {  // "%s-" alone: the letter ends the format
        format[3] = *letter;
        format[4] = '\0';
      } else {
        format[3] = *letter;
      }
    } else {
      *letter = head ? format[3] : 0;
    }
  }
  return format;
}

// The text of a loaded format for facility f and argument a (the two forms of the header comment).
std::string FillMessage(std::string_view format, int facility, const MessageArgument& a) {
  MessageArgument code(lumenrt::FacilityCode(facility));
  std::size_t first = format.find("%s");
  std::size_t second = first == std::string_view::npos ? first : format.find("%s", first + 2);
  if (second != std::string_view::npos) {
    std::string out = FillFormat(format.substr(0, second), &code, 1, kWorkAreaSize - 1);
    if (a.isNumber) {
      out += std::to_string(a.number);
    } else {
      out.append(TextOf(a));
    }
    out.append(format.substr(second + 2));
    return out;
  }
  MessageArgument values[2] = {code, a};
  return FillFormat(format, values, 2, kWorkAreaSize - 1);
}

std::string BuildMessage(int facility, int message, const MessageArgument& a, char* letter) {
  return FillMessage(LoadFormat(message, letter), facility, a);
}

void LogLine(int channel, const std::string& text) { lumenrt::RouteToDefaultLog(channel, text.c_str()); }

// Writes prefix, text and a line feed to a log file. The letter is counted before the write, or
// only after a successful one when countAfterWrite is set.
int WriteToLogFile(LogFileRecord* file, int facility, int message, const MessageArgument& a, char letter,
                   bool countAfterWrite) {
  ZString prefix = lumenrt::CurrentTimePrefix();
  std::string text = BuildMessage(facility, message, a, &letter);
  if (!countAfterWrite) CountSeverity(letter);
  bool written = false;
  if (std::ostream* stream = file->stream) {
    try {
      stream->write(prefix.c_str(), prefix.Length());
      stream->write(text.data(), static_cast<std::streamsize>(text.size()));
      stream->put('\n');
      if (!stream->fail()) stream->flush();
      written = !stream->fail();
    } catch (const std::exception&) {
      written = false;  // a stream that raises on failure fails like any other
    }
  }
  if (!written) {
    LogMessage(0, kLogsFacility, lumenrt::kMessageLogWriteFailed, MessageArgument(file->name), nullptr);
    return 0;
  }
  if (countAfterWrite) CountSeverity(letter);
  return 1;
}

// Appends a line to a sink's text buffer, within textCapacity when it is set. False when the line
// did not fit whole.
bool AppendToBuffer(const MessageSink& sink, std::string line) {
  if (line.size() > static_cast<std::size_t>(kBufferLineLimit)) line.resize(kBufferLineLimit);
  line += '\n';
  char* buffer = sink.textBuffer;
  if (sink.textCapacity <= 0) {
    std::size_t end = std::strlen(buffer);
    std::memcpy(buffer + end, line.c_str(), line.size() + 1);
    return true;
  }
  auto capacity = static_cast<std::size_t>(sink.textCapacity);
  std::size_t end = strnlen(buffer, capacity);
  if (end == capacity) return false;  // no terminator within the room: not a text to append to
  std::size_t room = capacity - 1 - end;
  std::size_t n = std::min(room, line.size());
  std::memcpy(buffer + end, line.data(), n);
  buffer[end + n] = '\0';
  return n == line.size();
}

int Route(MessageSink* sink, int facility, int message, const MessageArgument& a, char letter) {
  if (sink == LogWriterSink()) {
    LogMessage(0, facility, message, a, nullptr);
    return 1;
  }
  if (sink == nullptr) {
    if (DefaultLogFile != nullptr) return WriteToLogFile(DefaultLogFile, facility, message, a, letter, true);
    LogMessage(0, facility, message, a, &letter);
    CountSeverity(letter);
    return 1;
  }
  if (sink->textBuffer != nullptr) {
    std::string text = BuildMessage(facility, message, a, &letter);
    bool whole = AppendToBuffer(*sink, std::move(text));
    CountSeverity(letter);
    return whole ? 1 : 0;
  }
  if (sink->toLog != 0) {
    std::string text = BuildMessage(facility, message, a, &letter);
    CountSeverity(letter);
    std::size_t blank = text.find(' ');
    LogLine(0, blank == std::string::npos ? text : text.substr(blank + 1));
    return 1;
  }
  if (sink->logFile != nullptr) return WriteToLogFile(sink->logFile, facility, message, a, letter, false);
  if (sink->quiet != 0) {
    BuildMessage(facility, message, a, &letter);
    CountSeverity(letter);
    return 1;
  }
  LogMessage(0, facility, message, a, nullptr);
  return 1;
}

int ReportArgument(MessageSink* sink, int facility, int message, const MessageArgument& a,
                   const ZString& severity) {
  try {
    return Route(sink, facility, message, a, severity.c_str()[0]);
  } catch (ZError* e) {
    delete e;
  } catch (const std::exception&) {
  }
  return 0;  // out of memory: the message is lost
}

}  // namespace

MessageSink* LogWriterSink() { return reinterpret_cast<MessageSink*>(1); }

int LoadMessageString(int message, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  lumenrt::InstallBuiltInMessageTable();
  int n = lumenrt::platform::CurrentMessageTables().LoadString(
      MessageModule, static_cast<std::uint32_t>(message), buffer, size);
  if (n > 0) return n;
  std::snprintf(buffer, static_cast<std::size_t>(size), "Unable to load string #%ld",
                static_cast<long>(message));
  return static_cast<int>(std::strlen(buffer));
}

int SystemErrorText(int code, char* buffer, int size, ModuleHandle module) {
  if (buffer == nullptr || size <= 0) return 0;
  int n = lumenrt::platform::CurrentMessageTables().LoadMessageText(module, static_cast<std::uint32_t>(code),
                                                                    buffer, size);
  if (n > 0) return n;
  n = lumenrt::platform::CurrentErrorTexts().SystemText(code, buffer, size);
  if (n > 0) return n;
  std::snprintf(buffer, static_cast<std::size_t>(size), "unknown error code 0x%X",
                static_cast<unsigned>(code));
  return 0;
}

int FormatMessageText(ZString& result, int facility, int message, MessageArgument argument,
                      char* severityLetter) {
  try {
    result = ZString(std::string_view(BuildMessage(facility, message, argument, severityLetter)));
  } catch (ZError* e) {
    delete e;
  } catch (const std::exception&) {
  }
  return result.Length();
}

int ReportMessage(MessageSink* sink, int facility, int message, const char* argument,
                  const ZString& severity) {
  return ReportArgument(sink, facility, message, MessageArgument(argument), severity);
}

int ReportMessage(MessageSink* sink, int facility, int message, const char* argument) {
  return ReportArgument(sink, facility, message, MessageArgument(argument), ZString());
}

int ReportMessage(MessageSink* sink, int facility, int message, int argument, const ZString& severity) {
  return ReportArgument(sink, facility, message, MessageArgument(argument), severity);
}

int ReportSystemError(MessageSink* sink, int facility, int message, int code, const ZString& severity,
                      ModuleHandle module) {
  char text[kSystemTextSize];
  SystemErrorText(code, text, kSystemTextSize, module);
  // Carriage returns become blanks and line feeds go; then one trailing blank, then one full stop.
  std::size_t n = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\n') continue;
    text[n++] = *p == '\r' ? ' ' : *p;
  }
  if (n > 0 && text[n - 1] == ' ') --n;
  if (n > 0 && text[n - 1] == '.') --n;
  text[n] = '\0';
  return ReportMessage(sink, facility, message, text, severity);
}

int ReportSystemError(MessageSink* sink, int facility, int message, int code) {
  return ReportSystemError(sink, facility, message, code, ZString(), nullptr);
}

void LogMessage(int channel, int facility, int message, MessageArgument argument, char* severityLetter) {
  try {
    std::string format = LoadFormat(message, severityLetter);
    std::string text;
    if (facility != 0) {
      text = FillMessage(format, facility, argument);
    } else {
      std::size_t blank = format.find(' ');
      std::string_view rest =
          blank == std::string::npos ? std::string_view(format) : std::string_view(format).substr(blank + 1);
      text = FillFormat(rest, &argument, 1, kWorkAreaSize - 1);
    }
    LogLine(channel, text);
  } catch (ZError* e) {
    delete e;
  } catch (const std::exception&) {
  }
}

void CountSeverity(int letter) {
  if (CountMessages == 0) return;
  switch (static_cast<char>(letter & 0xff)) {
    case 'E':
      ++SeverityCountE;
      break;
    case 'F':
      ++SeverityCountF;
      break;
    case 'I':
      ++SeverityCountI;
      break;
    case 'W':
      ++SeverityCountW;
      break;
    default:
      break;
  }
}
