// The 12-character line prefix ("Dec07 21:58 ") for builds that link the log writer without the
// message catalogue's own definition, which takes precedence over this weak one.
#include <cctype>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/timelog/time_record.h"

__attribute__((weak)) ZString MessageTimePrefix() {
  TimeRecord now{};
  GetTimeRecord(&now);
  char stamp[30];
  FormatTimestamp(stamp, &now, 1);  // " 7-DEC-2026 21:58:04.17 +0100"
  const char prefix[13] = {stamp[3],
                           static_cast<char>(std::tolower(static_cast<unsigned char>(stamp[4]))),
                           static_cast<char>(std::tolower(static_cast<unsigned char>(stamp[5]))),
                           stamp[0] == ' ' ? '0' : stamp[0],
                           stamp[1],
                           ' ',
                           stamp[12],
                           stamp[13],
                           stamp[14],
                           stamp[15],
                           stamp[16],
                           ' ',
                           '\0'};
  return ZString(prefix, 12);
}
