// ExchFactoryImpl: the factory of the Exchange database adapter (module kind 0).
//
// One object exists per process, built at library start-up. getDescription answers
// "MS Exchange Disaster Recovery Module."; the create operations answer new ExchBackupImpl,
// ExchRestoreImpl, ExchConfigImpl and ExchSelectionListImpl objects (null when memory cannot be
// had), to be given back to the release operations. The other slots are FactoryAdapter's.
#pragma once

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT ExchFactoryImpl : public lumenrt::FactoryAdapter {
 public:
  const char* getDescription() override;
  Plugins::IBackup* createBackup() override;
  Plugins::IRestore2* createRestore() override;
  Plugins::IConfig* createConfig() override;
  Plugins::ISelectionList* createSelectionList() override;
};
