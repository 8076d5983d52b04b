// Filling and emptying ExchEntryTable, the entry points of the Exchange database module
// (lumenrt/plugins/exch/exch_entry_table.h), by their export names.
#pragma once

#include "lumenrt/plugins/exch/exch_entry_table.h"

namespace lumenrt {

// Export names, slot by slot (frozen: modules are built against them).
extern const char* const kExchEntryNames[kEntryTableSlots];

// Fills ExchEntryTable by export name (see entry_table.h); returns the number of slots filled.
int FillExchEntryTable(ExportResolver resolve, void* context);
// Sets all 21 slots to null.
void ClearExchEntryTable();

}  // namespace lumenrt
