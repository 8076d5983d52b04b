#include "lumenrt/plugins/exch/exch_entry_table.h"

#include "lumenrt/plugins/exch/internal/exch_entry_fill.h"
#include "lumenrt/plugins/internal/entry_table_fill.h"

lumenrt::EntryTable ExchEntryTable{};

namespace lumenrt {

const char* const kExchEntryNames[kEntryTableSlots] = {
    "exch_entry_0",                // 0
    "exch_dispatch",               // 1
    "exch_entry_2",                // 2
    "exch_raw_dsk_error",          // 3
    "exch_raw_sidf_search",        // 4
    "exch_raw_bck_access",         // 5
    "exch_raw_bck_opensubstream",  // 6
    "exch_raw_bck_read",           // 7
    "exch_set_backup_options",     // 8
    "exch_set_restore_options",    // 9
    "exch_entry_10",               // 10
    "exch_entry_11",               // 11
    "exch_entry_12",               // 12
    "exch_entry_13",               // 13
    "exch_entry_14",               // 14
    "exch_entry_15",               // 15
    "exch_entry_16",               // 16
    "exch_entry_17",               // 17
    "exch_get_log_objects",        // 18
    "exch_clear_log_objects",      // 19
    "exch_entry_20",               // 20
};

int FillExchEntryTable(ExportResolver resolve, void* context) {
  return FillEntryTable(ExchEntryTable, kExchEntryNames, resolve, context);
}

void ClearExchEntryTable() { ExchEntryTable = EntryTable{}; }

}  // namespace lumenrt
