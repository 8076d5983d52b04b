// String tables held in memory, behind the system's message tables on this system: the library's own
// image (whose table the core sets) and string-table modules (what a message catalogue file becomes
// once the core has parsed it). See lumenrt/platform/message_module.h.
//
// Thread safety: modules may be added, looked up and removed on any thread (a lock guards the set of
// live modules); the own table is set atomically.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "lumenrt/platform/module_handle.h"

namespace lumenrt::platform {

// The string table of the library's own image: a function answering the entry for an id, or null.
using OwnStringTable = const char* (*)(std::uint32_t id);
// Sets it (the core does, before the first lookup); null leaves the own image without entries.
void SetOwnStringTable(OwnStringTable table);
// The own image's table set now (null before the core has set one).
OwnStringTable OwnStringTableInUse();

// Makes a string-table module of `entries`; `name` is kept for diagnostics. Raises std::bad_alloc
// when memory runs out. Remove it with RemoveStringTableModule.
ModuleHandle AddStringTableModule(std::string name, std::unordered_map<std::uint32_t, std::string> entries);
// Removes a string-table module; later lookups through the handle answer "no entry". Empty or unknown
// handles are ignored (false).
bool RemoveStringTableModule(ModuleHandle module);
// True for a live handle from AddStringTableModule.
bool IsStringTableModule(ModuleHandle module);
// Copies entry `id` of a live string-table module as LoadString does; 0 when the handle is not a live
// string-table module or has no such entry.
int CopyStringTableEntry(ModuleHandle module, std::uint32_t id, char* buffer, int size);

}  // namespace lumenrt::platform
