// EntryTable: the addresses of a plug-in module's plain C entry points, one slot per entry point.
//
// The two Exchange adapters each keep one process-wide table of 21 slots (ExchEntryTable,
// MapiEntryTable), all null until the loading code fills them from the module's exports and set back
// to null before the module is released. A null slot means the entry point is absent; the adapters
// then answer a fixed default or skip the call.
//
// Filling: the resolver maps an export name to its address (null when the module does not export
// it). A fill resolves all 21 names first and then stores them together, so a table never holds the
// addresses of two modules at once.
//
// Threads: the tables are process state without a lock; fill, clear and the calls through them are
// made from one thread at a time.
#pragma once

namespace lumenrt {

inline constexpr int kEntryTableSlots = 21;

struct EntryTable {
  void* slots[kEntryTableSlots];
};

// Maps an export name to its address in a loaded module, or null. context is the caller's.
using ExportResolver = void* (*)(const char* name, void* context);

}  // namespace lumenrt
