// Placeholder until the catalogue lands: formats nothing, routes to stderr.
#include "lumenrt/core/message_catalogue.h"

#include <cstdio>

ModuleHandle MessageModule = nullptr;
LogFileRecord* DefaultLogFile = nullptr;
std::int32_t CountMessages = 0;
std::int32_t SeverityCountE = 0;
std::int32_t SeverityCountF = 0;
std::int32_t SeverityCountI = 0;
std::int32_t SeverityCountW = 0;

MessageSink* LogWriterSink() { return reinterpret_cast<MessageSink*>(1); }

int ReportMessage(MessageSink*, int facility, int message, const char* argument, const ZString&) {
  std::fprintf(stderr, "%d-%d %s\n", facility, message, argument ? argument : "(null)");
  return 1;
}
int ReportMessage(MessageSink* sink, int facility, int message, const char* argument) {
  return ReportMessage(sink, facility, message, argument, ZString());
}
int ReportMessage(MessageSink*, int facility, int message, int argument, const ZString&) {
  std::fprintf(stderr, "%d-%d %d\n", facility, message, argument);
  return 1;
}
int ReportSystemError(MessageSink* sink, int facility, int message, int code, const ZString& severity,
                      ModuleHandle) {
  return ReportMessage(sink, facility, message, code, severity);
}
int ReportSystemError(MessageSink* sink, int facility, int message, int code) {
  return ReportSystemError(sink, facility, message, code, ZString(), nullptr);
}
