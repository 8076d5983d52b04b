// The Exchange backup adapter's two process-wide records: the object record that
// exch_raw_sidf_search fills (SidfObjectRecord) and the access record that openObject hands out
// (RawAccessRecord).
//
// SidfObjectRecord keeps the byte layout the module is built against. The library resets the fields
// named below before every search; the module fills the rest. Its array of 588-byte entries (at
// offset 92: count, then the storage address at 96, then the capacity at 104) is held in C-heap
// storage; a module that needs more entries grows it with realloc and updates count and capacity.
// The record is the adapter's work area: built by the first findNextObject in the process, it is
// destroyed when the library unloads (before the start-up globals). RawAccessRecord is plain data,
// set up by the first openObject.
//
// Both records are handed to the caller by address and stay valid until the next search or access
// replaces their content. Threads: no lock; searches and accesses are made from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lumenrt/platform/export.h"

struct SidfEntry {
  unsigned char bytes[588];
};

struct SidfObjectRecord {
  std::int32_t value0;
  std::int32_t value4;
  std::int64_t value8;
  std::int64_t value16;
  std::uint8_t flag24;
  std::uint8_t flag25;
  std::uint8_t flag26;
  unsigned char block27[64];
  std::uint8_t flag91;
  std::int32_t entryCount;
  union {  // eight bytes in every build, so that a 32-bit build keeps the offsets that follow
    SidfEntry* entries;
    std::uint64_t entriesSlot;
  };
  std::int32_t entryCapacity;
  unsigned char block108[588];
  unsigned char moduleData696[8];
  std::int32_t value704;
  std::int32_t value708;
  std::int32_t moduleData712;
  std::int32_t value716;
};

static_assert(sizeof(SidfEntry) == 588);
static_assert(offsetof(SidfObjectRecord, value4) == 4);
static_assert(offsetof(SidfObjectRecord, value8) == 8);
static_assert(offsetof(SidfObjectRecord, value16) == 16);
static_assert(offsetof(SidfObjectRecord, flag24) == 24);
static_assert(offsetof(SidfObjectRecord, flag26) == 26);
static_assert(offsetof(SidfObjectRecord, block27) == 27);
static_assert(offsetof(SidfObjectRecord, flag91) == 91);
static_assert(offsetof(SidfObjectRecord, entryCount) == 92);
static_assert(offsetof(SidfObjectRecord, entries) == 96);
static_assert(offsetof(SidfObjectRecord, entryCapacity) == 104);
static_assert(offsetof(SidfObjectRecord, block108) == 108);
static_assert(offsetof(SidfObjectRecord, value704) == 704);
static_assert(offsetof(SidfObjectRecord, value708) == 708);
static_assert(offsetof(SidfObjectRecord, value716) == 716);
static_assert(sizeof(SidfObjectRecord) == 720);

struct RawAccessRecord {
  std::int32_t size;   // 80
  std::int32_t state;  // 2 until the first successful access in the process, then 1
  unsigned char data[56];
};

static_assert(sizeof(RawAccessRecord) == 64);

namespace lumenrt {

inline constexpr std::int32_t kRawAccessRecordTag = 80;

}  // namespace lumenrt
