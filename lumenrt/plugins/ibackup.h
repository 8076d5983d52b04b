// Plugins::IBackup: a plug-in's backup object (40 slots, slot 0 the destructor).
//
// The named slots are those the library's adapters give a meaning:
//   8  releaseNameList(list)           frees a NameList the plug-in handed out (name_list.h)
//   11 findNextObject(restart, v1, v2, unused, result)  finds the next object; *result receives the
//                                      address of a record that stays the plug-in's (valid until the
//                                      next call); true while objects are found
//   12 openObject(result, v1, v2)      opens the object; *result receives the address of a record
//                                      that stays the plug-in's, or is left unchanged
//   14 openSubstream(unused, v)        true when a substream was opened
//   15 readObjectData(a, b, c, d)      reads object data (the values are the plug-in's)
//   18 hasDiskError()                  true when the module reports a disk error
//   25 applyOptions(job)               hands the job's backup settings to the module, answers 1
//   27 queryModule(v, buffer, length)  asks the module for a text; *length receives its size
//   38 reportModuleLog()               reports the module's log messages
// Operations raise PluginException (code 1), and applyOptions also configuration-value errors as
// heap ZError pointers that the catcher owns. Slots named reservedN keep their place and shape for
// plug-ins that give them a meaning. Created and released through IFactory; one thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/name_list.h"
#include "lumenrt/plugins/word.h"

namespace Plugins {

class IBackup {
 public:
  virtual ~IBackup() = default;                        // 0
  virtual void reserved1(Word a, Word b, Word c) = 0;  // 1
  virtual void reserved2() = 0;                        // 2
  virtual void reserved3(Word a) = 0;                  // 3
  virtual void reserved4(Word a, Word b) = 0;          // 4
  virtual bool reserved5(Word a, Word b) = 0;          // 5
  virtual void reserved6(Word a) = 0;                  // 6
  virtual void reserved7(Word a) = 0;                  // 7
  virtual void releaseNameList(NameList* list) = 0;    // 8
  virtual bool reserved9() = 0;                        // 9
  virtual bool reserved10() = 0;                       // 10
  virtual bool findNextObject(bool restart, Word value1, Word value2, Word unused,
                              void** result) = 0;                                        // 11
  virtual void openObject(void** result, Word value1, Word value2) = 0;                  // 12
  virtual void reserved13() = 0;                                                         // 13
  virtual bool openSubstream(Word unused, Word value) = 0;                               // 14
  virtual void readObjectData(Word a, Word b, Word c, Word d) = 0;                       // 15
  virtual void reserved16() = 0;                                                         // 16
  virtual void reserved17() = 0;                                                         // 17
  virtual bool hasDiskError() = 0;                                                       // 18
  virtual void reserved19() = 0;                                                         // 19
  virtual bool reserved20(Word a, Word b, Word c) = 0;                                   // 20
  virtual bool reserved21() = 0;                                                         // 21
  virtual void reserved22(Word a) = 0;                                                   // 22
  virtual void reserved23(Word a) = 0;                                                   // 23
  virtual void reserved24() = 0;                                                         // 24
  virtual std::int32_t applyOptions(JobSettings* job) = 0;                               // 25
  virtual std::int32_t reserved26() = 0;                                                 // 26
  virtual std::int32_t queryModule(Word value, char* buffer, std::int32_t* length) = 0;  // 27
  virtual std::int32_t reserved28(Word a, Word b, Word c) = 0;                           // 28
  virtual std::int32_t reserved29() = 0;                                                 // 29
  virtual std::int32_t reserved30() = 0;                                                 // 30
  virtual void reserved31(Word a) = 0;                                                   // 31
  virtual std::int32_t reserved32() = 0;                                                 // 32
  virtual std::int32_t reserved33(Word a) = 0;                                           // 33
  virtual std::int32_t reserved34(Word a) = 0;                                           // 34
  virtual void reserved35() = 0;                                                         // 35
  virtual void reserved36() = 0;                                                         // 36
  virtual void reserved37() = 0;                                                         // 37
  virtual void reportModuleLog() = 0;                                                    // 38
  virtual void reserved39() = 0;                                                         // 39
};

}  // namespace Plugins
