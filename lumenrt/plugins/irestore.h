// Plugins::IRestore and its extended form Plugins::IRestore2: a plug-in's restore object.
//
// IRestore has 28 slots (slot 0 the destructor); IRestore2 adds applyOptions as slot 28. The
// library's restore adapters keep three values that setValues, clearValues, setValue1 and setValue3
// set and nothing reads. applyOptions hands the job's restore settings to the module and answers 1;
// it may raise PluginException or a configuration-value ZError (a heap pointer the catcher owns).
// Slots named reservedN keep their place and shape for plug-ins that give them a meaning. Created
// and released through IFactory.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/word.h"

namespace Plugins {

class IRestore {
 public:
  virtual ~IRestore() = default;                                // 0
  virtual void setValues(Word a, Word b, Word c) = 0;           // 1: a -> value 2, b -> value 1, c -> value 3
  virtual void clearValues() = 0;                               // 2
  virtual bool reserved3(Word a, Word b) = 0;                   // 3
  virtual void reserved4(Word a) = 0;                           // 4
  virtual bool reserved5() = 0;                                 // 5
  virtual void reserved6(Word a, Word b) = 0;                   // 6
  virtual bool reserved7(Word a, Word b) = 0;                   // 7
  virtual bool reserved8(Word a, Word b, Word c) = 0;           // 8
  virtual bool reserved9() = 0;                                 // 9
  virtual bool reserved10() = 0;                                // 10
  virtual bool reserved11() = 0;                                // 11
  virtual void reserved12() = 0;                                // 12
  virtual void reserved13() = 0;                                // 13
  virtual void setValue1(Word a) = 0;                           // 14
  virtual void setValue3(Word a) = 0;                           // 15
  virtual std::int32_t reserved16() = 0;                        // 16
  virtual std::int32_t reserved17(Word a, Word b, Word c) = 0;  // 17
  virtual std::int32_t reserved18(Word a, Word b, Word c) = 0;  // 18
  virtual std::int32_t reserved19(Word a, Word b, Word c) = 0;  // 19
  virtual std::int32_t reserved20(Word a, Word b, Word c) = 0;  // 20
  virtual std::int32_t reserved21(Word a, Word b, Word c) = 0;  // 21
  virtual std::int32_t reserved22(Word a, Word b, Word c) = 0;  // 22
  virtual std::int32_t reserved23(Word a, Word b, Word c) = 0;  // 23
  virtual std::int32_t reserved24(Word a) = 0;                  // 24
  virtual void reserved25() = 0;                                // 25
  virtual void reserved26() = 0;                                // 26
  virtual void reserved27() = 0;                                // 27
};

class IRestore2 : public IRestore {
 public:
  virtual std::int32_t applyOptions(JobSettings* job) = 0;  // 28
};

}  // namespace Plugins
