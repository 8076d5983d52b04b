// Plugins::ISelectionList: the list of objects a job selects, handed out one entry at a time
// (6 slots, slot 0 the destructor).
//
// setup(tokenType, service, context) stores what the list is built from: token type 0 for a backup
// job, 1 for a restore job (2 and 3 give an empty list), the agent's configuration service, and a
// context value. next(restart, entry) with restart set rebuilds the list from the configuration and
// rewinds; each call copies the next SelectionEntry into the caller's 272-byte buffer and answers
// true, or answers false at the end. Building raises PluginException (code 1) for a token type it
// does not know.
//
// Ownership: the service is borrowed and must outlive the list's use of it; the list owns its
// entries. Created and released through IFactory. One thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/cfg_service.h"
#include "lumenrt/plugins/selection_entry.h"
#include "lumenrt/plugins/word.h"

namespace Plugins {

class ISelectionList {
 public:
  virtual ~ISelectionList() = default;                                                 // 0
  virtual void setup(std::int32_t tokenType, ICfgService* service, Word context) = 0;  // 1
  virtual void reserved2() = 0;                                                        // 2
  virtual bool next(bool restart, SelectionEntry* entry) = 0;                          // 3
  virtual bool reserved4(Word a, Word b) = 0;                                          // 4
  virtual void setContext(Word context) = 0;                                           // 5
};

}  // namespace Plugins
