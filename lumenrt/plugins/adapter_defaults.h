// The slots that the Exchange and mailbox adapter families answer alike, as base classes.
//
// FactoryAdapter, BackupAdapter, RestoreAdapter and ConfigAdapter implement every slot of their
// interface with the adapters' fixed answers (the reserved slots do nothing, or answer false, true or
// 1 as each slot's contract gives); the adapter classes derive from them and override the operations
// that call into their module. BackupAdapter's named operations answer as the mailbox adapter does
// (releaseNameList and readObjectData do nothing, findNextObject, openSubstream and hasDiskError
// answer true, queryModule 1); the Exchange backup adapter overrides them.
//
// Ownership: the factories' release operations delete the object given (null is ignored).
// Failure: only ConfigAdapter::extendConfig raises (PluginException, code 1, for a null service).
// Threads: an object is used by one thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/iconfig.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/irestore.h"

namespace lumenrt {

class LUMENRT_EXPORT FactoryAdapter : public Plugins::IFactory {
 public:
  void setContext(Plugins::Word context) override { context_ = context; }
  void reserved2() override {}
  std::int32_t reserved3() override { return 1; }
  void replaceContext(Plugins::Word context) override { context_ = context; }
  Plugins::Word reserved6() override { return 0; }
  void releaseBackup(Plugins::IBackup* object) override { delete object; }
  void releaseRestore(Plugins::IRestore* object) override { delete object; }
  void releaseConfig(Plugins::IConfig* object) override { delete object; }
  void releaseSelectionList(Plugins::ISelectionList* object) override;
  void releaseRestore2(Plugins::IRestore2* object) override { delete object; }

  Plugins::Word context() const { return context_; }

 private:
  Plugins::Word context_ = 0;
};

class LUMENRT_EXPORT BackupAdapter : public Plugins::IBackup {
 public:
  void reserved1(Plugins::Word, Plugins::Word, Plugins::Word) override {}
  void reserved2() override {}
  void reserved3(Plugins::Word) override {}
  void reserved4(Plugins::Word, Plugins::Word) override {}
  bool reserved5(Plugins::Word, Plugins::Word) override { return false; }
  void reserved6(Plugins::Word) override {}
  void reserved7(Plugins::Word) override {}
  void releaseNameList(NameList*) override {}
  bool reserved9() override { return true; }
  bool reserved10() override { return false; }
  bool findNextObject(bool, Plugins::Word, Plugins::Word, Plugins::Word, void**) override { return true; }
  void openObject(void**, Plugins::Word, Plugins::Word) override {}
  void reserved13() override {}
  bool openSubstream(Plugins::Word, Plugins::Word) override { return true; }
  void readObjectData(Plugins::Word, Plugins::Word, Plugins::Word, Plugins::Word) override {}
  void reserved16() override {}
  void reserved17() override {}
  bool hasDiskError() override { return true; }
  void reserved19() override {}
  bool reserved20(Plugins::Word, Plugins::Word, Plugins::Word) override { return false; }
  bool reserved21() override { return false; }
  void reserved22(Plugins::Word) override {}
  void reserved23(Plugins::Word) override {}
  void reserved24() override {}
  std::int32_t reserved26() override { return 1; }
  std::int32_t queryModule(Plugins::Word, char*, std::int32_t*) override { return 1; }
  std::int32_t reserved28(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved29() override { return 1; }
  std::int32_t reserved30() override { return 1; }
  void reserved31(Plugins::Word) override {}
  std::int32_t reserved32() override { return 1; }
  std::int32_t reserved33(Plugins::Word) override { return 1; }
  std::int32_t reserved34(Plugins::Word) override { return 1; }
  void reserved35() override {}
  void reserved36() override {}
  void reserved37() override {}
  void reportModuleLog() override {}
  void reserved39() override {}
};

// The three values of a restore object; nothing in the library reads them.
class LUMENRT_EXPORT RestoreAdapter : public Plugins::IRestore2 {
 public:
  void setValues(Plugins::Word a, Plugins::Word b, Plugins::Word c) override {
    value2_ = a;
    value1_ = b;
    value3_ = c;
  }
  void clearValues() override { value1_ = value2_ = value3_ = 0; }
  bool reserved3(Plugins::Word, Plugins::Word) override { return false; }
  void reserved4(Plugins::Word) override {}
  bool reserved5() override { return true; }
  void reserved6(Plugins::Word, Plugins::Word) override {}
  bool reserved7(Plugins::Word, Plugins::Word) override { return true; }
  bool reserved8(Plugins::Word, Plugins::Word, Plugins::Word) override { return true; }
  bool reserved9() override { return true; }
  bool reserved10() override { return true; }
  bool reserved11() override { return true; }
  void reserved12() override {}
  void reserved13() override {}
  void setValue1(Plugins::Word a) override { value1_ = a; }
  void setValue3(Plugins::Word a) override { value3_ = a; }
  std::int32_t reserved16() override { return 1; }
  std::int32_t reserved17(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved18(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved19(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved20(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved21(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved22(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved23(Plugins::Word, Plugins::Word, Plugins::Word) override { return 1; }
  std::int32_t reserved24(Plugins::Word) override { return 1; }
  void reserved25() override {}
  void reserved26() override {}
  void reserved27() override {}

  Plugins::Word value1() const { return value1_; }
  Plugins::Word value2() const { return value2_; }
  Plugins::Word value3() const { return value3_; }

 private:
  Plugins::Word value1_ = 0;
  Plugins::Word value2_ = 0;
  Plugins::Word value3_ = 0;
};

class LUMENRT_EXPORT ConfigAdapter : public Plugins::IConfig {
 public:
  void setContext(Plugins::Word context) override { context_ = context; }
  void reserved2() override {}
  // The same service back; a null one raises PluginException (code 1) "ExchConfigImpl.extendConfig:
  // Bad ICfgService interface." (the mailbox adapters raise the same text).
  ICfgService* extendConfig(ICfgService* service) override;
  void replaceContext(Plugins::Word context) override { context_ = context; }

  Plugins::Word context() const { return context_; }

 private:
  Plugins::Word context_ = 0;
};

}  // namespace lumenrt
