// The message tables of modules: where the message catalogue looks up its formats (a module's string
// table) and the texts of error codes (a module's message table).
//
// A module handle names where formats are looked up:
// - empty: the library's own image. Its string table is the library's built-in format table, which
//   the core hands over (lumenrt/platform/internal/string_tables.h); it has no message
//   table;
// - a string-table module (lumenrt/platform/internal/string_tables.h; on this system, what a message
// catalogue
//   file becomes once the core has parsed it): its entries serve both as the string table and as the
//   message table;
// - any other handle: on Windows, a loaded module (LoadModule's handle or the host's own), whose
//   string table is read with LoadStringA and message table with FormatMessageA; the own image's
//   string table is then the one compiled into it (lumenrt/platform/message_strings.rc), the core's
//   table standing in for an id it lacks. Elsewhere, a module without tables: every lookup answers
//   "no entry". A handle that is no loaded module answers "no entry" everywhere.
//
// The process uses one MessageTables service, the system's unless a test substitutes its own
// (SubstituteMessageTables), for example one that adds formats of its own and asks the system's for
// the rest.
//
// Thread safety: string-table modules may be added, looked up and removed on any thread (a lock
// guards the set of live modules). Substituting is for start-up and tests; it must not race with
// lookups on other threads.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"

namespace lumenrt::platform {

class LUMENRT_EXPORT MessageTables {
 public:
  virtual ~MessageTables();

  // Copies entry `id` of module's string table into buffer (size >= 1 bytes), cut to size - 1
  // characters and terminated. Returns the length copied, or 0 (buffer "") when there is no entry.
  virtual int LoadString(ModuleHandle module, std::uint32_t id, char* buffer, int size) = 0;

  // The same for module's message table, searched for the texts of error codes. The library's own
  // image (empty module) has no message table.
  virtual int LoadMessageText(ModuleHandle module, std::uint32_t id, char* buffer, int size) = 0;
};

// The system's tables. Never destroyed.
LUMENRT_EXPORT MessageTables& SystemMessageTables();
// The tables in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT MessageTables& CurrentMessageTables();
// Sets the tables in use (null restores the system's); returns the previous substitute. The caller
// keeps ownership and keeps the substitute alive while it is in use.
LUMENRT_EXPORT MessageTables* SubstituteMessageTables(MessageTables* tables);

}  // namespace lumenrt::platform
