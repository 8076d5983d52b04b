#include "lumenrt/plugins/mapi/mapi_factory.h"

#include <new>

#include "lumenrt/plugins/mapi/mapi_backup.h"
#include "lumenrt/plugins/mapi/mapi_config.h"
#include "lumenrt/plugins/mapi/mapi_restore.h"
#include "lumenrt/plugins/mapi/mapi_selection_list.h"

const char* MapiFactoryImpl::getDescription() { return "MS Exchange Mailbox module"; }

Plugins::IBackup* MapiFactoryImpl::createBackup() { return new (std::nothrow) MapiBackupImpl(); }

Plugins::IRestore2* MapiFactoryImpl::createRestore() { return new (std::nothrow) MapiRestoreImpl(); }

Plugins::IConfig* MapiFactoryImpl::createConfig() { return new (std::nothrow) MapiConfigImpl(); }

Plugins::ISelectionList* MapiFactoryImpl::createSelectionList() {
  return new (std::nothrow) MapiSelectionListImpl();
}
