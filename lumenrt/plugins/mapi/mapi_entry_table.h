// MapiEntryTable: the entry points of the Exchange mailbox module (module kind 1), and their export
// names.
//
// The module exports plain C functions; the loading code fills the table by export name
// (FillMapiEntryTable) and empties it before releasing the module (ClearMapiEntryTable). The library
// calls two slots, 8 (mapi_set_backup_options, 19 arguments) and 9 (mapi_set_restore_options, 14
// arguments), and skips a call whose slot is null. Texts are NUL-terminated and borrowed for the call
// only; flags and numbers are 32-bit.
//
// Threads: see entry_table.h.
#pragma once

#include <cstdint>

#include "lumenrt/platform/calling_convention.h"
#include "lumenrt/platform/export.h"
#include "lumenrt/plugins/entry_table.h"

LUMENRT_EXPORT extern lumenrt::EntryTable MapiEntryTable;

namespace lumenrt {

enum MapiSlot : int {
  kMapiSetBackupOptions = 8,
  kMapiSetRestoreOptions = 9,
};

using MapiSetBackupOptionsFn = std::int32_t(LUMENRT_STDCALL*)(
    const char* serverName, const char* profile, std::int32_t mode, std::int32_t exclMbxOutbox,
    std::int32_t exclMbxSentmail, std::int32_t exclMbxWastebasket, std::int32_t exclMbxAttachments,
    std::int32_t exclMbxCalendar, std::int32_t exclMbxNote, std::int32_t exclMbxTasks,
    std::int32_t exclMbxJournal, std::int32_t exclMbxContact, std::int32_t exclPfolderCalendar,
    std::int32_t exclPfolderNote, std::int32_t exclPfolderTasks, std::int32_t exclPfolderAttachments,
    std::int32_t exclPfolderJournal, std::int32_t exclPfolderContact, std::int32_t getPropRetry);

using MapiSetRestoreOptionsFn = std::int32_t(LUMENRT_STDCALL*)(
    const char* serverName, const char* profile, std::int32_t mode, std::int32_t exclMbxOutbox,
    std::int32_t exclMbxSentmail, std::int32_t exclMbxWastebasket, std::int32_t exclMbxAttachments,
    std::int32_t exclPfolderCalendar, std::int32_t exclPfolderNote, std::int32_t exclPfolderTasks,
    std::int32_t exclPfolderAttachments, const char* restoreFolder, std::int32_t restoreTo,
    std::int32_t resolve);

}  // namespace lumenrt
