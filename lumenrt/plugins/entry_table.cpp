#include "lumenrt/plugins/entry_table.h"

#include "lumenrt/plugins/internal/entry_table_fill.h"

namespace lumenrt {

int FillEntryTable(EntryTable& table, const char* const (&names)[kEntryTableSlots], ExportResolver resolve,
                   void* context) {
  EntryTable resolved{};
  int filled = 0;
  for (int i = 0; i < kEntryTableSlots; ++i) {
    resolved.slots[i] = resolve != nullptr && names[i] != nullptr ? resolve(names[i], context) : nullptr;
    if (resolved.slots[i] != nullptr) ++filled;
  }
  table = resolved;
  return filled;
}

}  // namespace lumenrt
