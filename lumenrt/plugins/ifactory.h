// Plugins::IFactory: the one object a plug-in module presents; it creates the four working objects.
//
// Slot order is the contract between the agent and every plug-in module and must not change
// (16 slots, slot 0 the destructor). Slots named reservedN have no role of their own in this library;
// they keep their place, argument count and result type, and a plug-in of another kind may give them
// meaning.
//
// Ownership: the create operations return objects made with `new` (null when memory cannot be
// obtained); the caller gives each back to the factory's release operations (slots 11 to 15), which
// delete the object given and ignore null. The factory itself belongs to the module that presents it.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/word.h"

namespace Plugins {

class IBackup;
class IRestore;
class IRestore2;
class IConfig;
class ISelectionList;

class IFactory {
 public:
  virtual ~IFactory() = default;                                  // 0
  virtual void setContext(Word context) = 0;                      // 1
  virtual void reserved2() = 0;                                   // 2
  virtual std::int32_t reserved3() = 0;                           // 3
  virtual const char* getDescription() = 0;                       // 4
  virtual void replaceContext(Word context) = 0;                  // 5
  virtual Word reserved6() = 0;                                   // 6
  virtual IBackup* createBackup() = 0;                            // 7
  virtual IRestore2* createRestore() = 0;                         // 8
  virtual IConfig* createConfig() = 0;                            // 9
  virtual ISelectionList* createSelectionList() = 0;              // 10
  virtual void releaseBackup(IBackup* object) = 0;                // 11
  virtual void releaseRestore(IRestore* object) = 0;              // 12
  virtual void releaseConfig(IConfig* object) = 0;                // 13
  virtual void releaseSelectionList(ISelectionList* object) = 0;  // 14
  virtual void releaseRestore2(IRestore2* object) = 0;            // 15
};

}  // namespace Plugins
