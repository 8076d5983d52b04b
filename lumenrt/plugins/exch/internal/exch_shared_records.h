// The process's own SidfObjectRecord and RawAccessRecord (lumenrt/plugins/exch/exch_records.h), which
// the Exchange adapters hand to the database module.
#pragma once

#include "lumenrt/plugins/exch/exch_records.h"

namespace lumenrt {

// The process's object record, built on the first call (which also enters its destruction in the
// library's exit list). Raises std::bad_alloc when it cannot be built.
SidfObjectRecord* ExchSidfRecord();
// Zeroes the fields the library owns and leaves the array with one zero-filled entry. Raises
// std::bad_alloc when the entry cannot be stored (the array is then empty).
void ResetSidfObjectRecord(SidfObjectRecord& record);

// The process's access record, set to 80, 2 and zero data on the first call.
RawAccessRecord* ExchRawAccessRecord();

}  // namespace lumenrt
