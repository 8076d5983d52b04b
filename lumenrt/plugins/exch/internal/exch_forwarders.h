// The forwarding functions through which the Exchange adapters call the database module.
//
// Each forwarder first writes its trace line ("interface: <entry point>\n") to the debug output
// (lumenrt/platform/debug_output.h), whether or not the entry point is present, then calls the entry
// point of ExchEntryTable with its arguments unchanged, or answers the fixed default of an absent
// one: dispatch -1, disk error 1, search, access, open substream and read 0; the two options calls
// are then skipped.
//
// Dispatch request 20 never reaches the module: it runs the log collection with context 0.
//
// Log collection (CollectExchLogObjects): asks the module for its list of log errors (a ZArray of
// ZError objects that stays the module's), reports a copy of each through the message catalogue's
// default destination (the list's count is read again before each element, so entries the module
// adds meanwhile are reported too; an element that is not a ZError is passed over), then tells the
// module to clear the list. Answers 1 in every case.
//
// Failure: nothing here raises except what the module's calls raise, which comes out as a
// PluginException made by the library (module_call.h). Threads: see entry_table.h.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/exch/exch_entry_table.h"

namespace lumenrt {

inline constexpr std::int32_t kExchLogRequest = 20;
inline constexpr std::int32_t kExchQueryRequest = 2;

std::int32_t ForwardExchDispatch(std::int32_t request, Plugins::Word a, Plugins::Word b, Plugins::Word c,
                                 Plugins::Word d, Plugins::Word e);
std::int32_t ForwardExchRawDskError(std::int32_t handle);
std::int32_t ForwardExchRawSidfSearch(std::int32_t zero, std::int32_t handle, Plugins::Word value1,
                                      Plugins::Word value2, SidfObjectRecord* record);
std::int32_t ForwardExchRawBckAccess(std::int32_t handle, std::int32_t zero, std::intptr_t* cell,
                                     Plugins::Word value1, Plugins::Word value2);
std::int32_t ForwardExchRawBckOpenSubstream(std::int32_t handle, Plugins::Word value);
std::int32_t ForwardExchRawBckRead(std::int32_t handle, Plugins::Word a, Plugins::Word b, Plugins::Word c,
                                   Plugins::Word d);
void ForwardExchSetBackupOptions(std::int32_t backupType, std::int32_t deleteLogs, const char* serverName);
void ForwardExchSetRestoreOptions(std::int32_t rollForward, std::int32_t hardRecovery,
                                  const char* logLocation, const char* serverName);
std::int32_t CollectExchLogObjects(Plugins::Word context);

}  // namespace lumenrt
