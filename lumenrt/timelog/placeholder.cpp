// Placeholder until the time and log writer land.
#include <cstdio>

#include "lumenrt/timelog/log_writer.h"
#include "lumenrt/timelog/time_record.h"

int GetTimeRecord(TimeRecord* record, std::uint64_t) {
  *record = TimeRecord{};
  return 1;
}
int FormatTimestamp(char* text, const TimeRecord*, int) {
  std::snprintf(text, 30, "00-000-0000 00:00:00.00 +0000");
  return 1;
}
void LogOpen(const char*, const char*, int) {}
int LogWrite(int, const char* text) {
  std::printf("%s\n", text);
  return 1;
}
void LogRotate() {}
