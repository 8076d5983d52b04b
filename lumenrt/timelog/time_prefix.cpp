#include "lumenrt/timelog/time_prefix.h"

#include <cstring>

#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/timelog/internal/time_prefix_text.h"
#include "lumenrt/timelog/time_record.h"

ZString MessageTimePrefix() {
  TimeRecord now{};
  GetTimeRecord(&now, 0);
  char printed[32] = {};
  FormatTimestamp(printed, &now, 1);
  char prefix[13];
  lumenrt::TimePrefixFromTimestamp(printed, prefix);
  try {
    return ZString(prefix, 12);
  } catch (ZError* e) {
    delete e;
    return ZString();
  }
}

namespace lumenrt {

void TimePrefixFromTimestamp(const char* printed, char* prefix) {
  std::size_t length = printed != nullptr ? std::strlen(printed) : 0;
  auto at = [&](std::size_t i) { return i < length ? printed[i] : '?'; };
  auto lower = [](char c) { return FoldCase(c); };
  prefix[0] = at(3);
  prefix[1] = lower(at(4));
  prefix[2] = lower(at(5));
  prefix[3] = at(0) == ' ' ? '0' : at(0);
  prefix[4] = at(1);
  prefix[5] = ' ';
  for (std::size_t i = 0; i < 5; ++i) prefix[6 + i] = at(12 + i);
  prefix[11] = ' ';
  prefix[12] = '\0';
}

}  // namespace lumenrt
