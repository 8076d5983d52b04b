// ExchEntryTable: the entry points of the Exchange database module (module kind 0), and their
// export names.
//
// The module exports plain C functions; the loading code fills the table by export name
// (FillExchEntryTable) and empties it before releasing the module (ClearExchEntryTable). The library
// calls slots 1, 3 to 9, 18 and 19, always through the forwarding functions of exch_forwarders.h,
// never directly. Pointer-sized values (Plugins::Word) are the module's opaque values; handles,
// flags, request numbers and results are 32-bit.
//
// Threads: see entry_table.h.
#pragma once

#include <cstdint>

#include "lumenrt/platform/calling_convention.h"
#include "lumenrt/platform/export.h"
#include "lumenrt/plugins/entry_table.h"
#include "lumenrt/plugins/word.h"

class ZArray;
struct SidfObjectRecord;

LUMENRT_EXPORT extern lumenrt::EntryTable ExchEntryTable;

namespace lumenrt {

// Slots the library calls.
enum ExchSlot : int {
  kExchDispatch = 1,
  kExchRawDskError = 3,
  kExchRawSidfSearch = 4,
  kExchRawBckAccess = 5,
  kExchRawBckOpenSubstream = 6,
  kExchRawBckRead = 7,
  kExchSetBackupOptions = 8,
  kExchSetRestoreOptions = 9,
  kExchGetLogObjects = 18,
  kExchClearLogObjects = 19,
};

// Entry point types of the slots the library calls.
using ExchDispatchFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t request, Plugins::Word a, Plugins::Word b,
                                                      Plugins::Word c, Plugins::Word d, Plugins::Word e);
using ExchRawDskErrorFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t handle);
using ExchRawSidfSearchFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t zero, std::int32_t handle,
                                                           Plugins::Word value1, Plugins::Word value2,
                                                           SidfObjectRecord* record);
// cell holds value 2 on entry; the module replaces it with the address of its 56-byte answer.
using ExchRawBckAccessFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t handle, std::int32_t zero,
                                                          std::intptr_t* cell, Plugins::Word value1,
                                                          Plugins::Word value2);
using ExchRawBckOpenSubstreamFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t handle, Plugins::Word value);
using ExchRawBckReadFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t handle, Plugins::Word a, Plugins::Word b,
                                                        Plugins::Word c, Plugins::Word d);
using ExchSetBackupOptionsFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t backupType,
                                                              std::int32_t deleteLogs,
                                                              const char* serverName);
using ExchSetRestoreOptionsFn = std::int32_t(LUMENRT_STDCALL*)(std::int32_t rollForward,
                                                               std::int32_t hardRecovery,
                                                               const char* logLocation,
                                                               const char* serverName);
// *list receives a ZArray of ZError objects that stays the module's until exch_clear_log_objects.
using ExchGetLogObjectsFn = std::int32_t(LUMENRT_STDCALL*)(Plugins::Word context, ZArray** list);
using ExchClearLogObjectsFn = std::int32_t(LUMENRT_STDCALL*)(Plugins::Word context);

}  // namespace lumenrt
