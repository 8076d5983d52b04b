#include "lumenrt/plugins/mapi/mapi_entry_table.h"

#include "lumenrt/plugins/internal/entry_table_fill.h"
#include "lumenrt/plugins/mapi/internal/mapi_entry_fill.h"

lumenrt::EntryTable MapiEntryTable{};

namespace lumenrt {

const char* const kMapiEntryNames[kEntryTableSlots] = {
    "mapi_entry_0",                // 0
    "mapi_dispatch",               // 1
    "mapi_entry_2",                // 2
    "mapi_raw_dsk_error",          // 3
    "mapi_raw_sidf_search",        // 4
    "mapi_raw_bck_access",         // 5
    "mapi_raw_bck_opensubstream",  // 6
    "mapi_raw_bck_read",           // 7
    "mapi_set_backup_options",     // 8
    "mapi_set_restore_options",    // 9
    "mapi_entry_10",               // 10
    "mapi_entry_11",               // 11
    "mapi_entry_12",               // 12
    "mapi_entry_13",               // 13
    "mapi_entry_14",               // 14
    "mapi_entry_15",               // 15
    "mapi_entry_16",               // 16
    "mapi_entry_17",               // 17
    "mapi_get_log_objects",        // 18
    "mapi_clear_log_objects",      // 19
    "mapi_entry_20",               // 20
};

int FillMapiEntryTable(ExportResolver resolve, void* context) {
  return FillEntryTable(MapiEntryTable, kMapiEntryNames, resolve, context);
}

void ClearMapiEntryTable() { MapiEntryTable = EntryTable{}; }

}  // namespace lumenrt
