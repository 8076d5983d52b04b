// Filling and emptying MapiEntryTable, the entry points of the mailbox module
// (lumenrt/plugins/mapi/mapi_entry_table.h), by their export names.
#pragma once

#include "lumenrt/plugins/mapi/mapi_entry_table.h"

namespace lumenrt {

// Export names, slot by slot (frozen: modules are built against them).
extern const char* const kMapiEntryNames[kEntryTableSlots];

// Fills MapiEntryTable by export name (see entry_table.h); returns the number of slots filled.
int FillMapiEntryTable(ExportResolver resolve, void* context);
// Sets all 21 slots to null.
void ClearMapiEntryTable();

}  // namespace lumenrt
