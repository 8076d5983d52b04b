// Filling an entry table (lumenrt/plugins/entry_table.h) by export name.
#pragma once

#include "lumenrt/plugins/entry_table.h"

namespace lumenrt {

// Fills every slot of table with resolve(names[i], context); returns the number of non-null slots.
int FillEntryTable(EntryTable& table, const char* const (&names)[kEntryTableSlots], ExportResolver resolve,
                   void* context);

}  // namespace lumenrt
