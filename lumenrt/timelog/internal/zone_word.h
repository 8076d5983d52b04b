// The zone word of a TimeRecord (lumenrt/timelog/time_record.h gives its layout) and the validity of
// a record, as the calendar operations read them.
#pragma once

#include <cstdint>

#include "lumenrt/timelog/time_record.h"

namespace lumenrt {

// True when record is valid in the sense of time_record.h.
bool IsValidTimeRecord(const TimeRecord& record);

// Offset in minutes east that the zone word marks (0 for no mark); meaningful for valid records.
int ZoneWordOffset(std::uint16_t zone);

// Zone word marking `minutes` east (0x1000 plus the 12-bit two's-complement form).
std::uint16_t MakeZoneWord(int minutes);

}  // namespace lumenrt
