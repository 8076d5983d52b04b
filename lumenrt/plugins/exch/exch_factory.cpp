#include "lumenrt/plugins/exch/exch_factory.h"

#include <new>

#include "lumenrt/plugins/exch/exch_backup.h"
#include "lumenrt/plugins/exch/exch_config.h"
#include "lumenrt/plugins/exch/exch_restore.h"
#include "lumenrt/plugins/exch/exch_selection_list.h"

const char* ExchFactoryImpl::getDescription() { return "MS Exchange Disaster Recovery Module."; }

Plugins::IBackup* ExchFactoryImpl::createBackup() { return new (std::nothrow) ExchBackupImpl(); }

Plugins::IRestore2* ExchFactoryImpl::createRestore() { return new (std::nothrow) ExchRestoreImpl(); }

Plugins::IConfig* ExchFactoryImpl::createConfig() { return new (std::nothrow) ExchConfigImpl(); }

Plugins::ISelectionList* ExchFactoryImpl::createSelectionList() {
  return new (std::nothrow) ExchSelectionListImpl();
}
