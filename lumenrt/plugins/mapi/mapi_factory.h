// MapiFactoryImpl: the factory of the Exchange mailbox adapter (module kind 1).
//
// One object exists per process, built at library start-up. getDescription answers
// "MS Exchange Mailbox module"; the create operations answer new MapiBackupImpl, MapiRestoreImpl,
// MapiConfigImpl and MapiSelectionListImpl objects (null when memory cannot be had), to be given back
// to the release operations. The other slots are FactoryAdapter's.
#pragma once

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT MapiFactoryImpl : public lumenrt::FactoryAdapter {
 public:
  const char* getDescription() override;
  Plugins::IBackup* createBackup() override;
  Plugins::IRestore2* createRestore() override;
  Plugins::IConfig* createConfig() override;
  Plugins::ISelectionList* createSelectionList() override;
};
