#include "lumenrt/plugins/adapter_defaults.h"

#include "lumenrt/plugins/iselection_list.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace lumenrt {

void FactoryAdapter::releaseSelectionList(Plugins::ISelectionList* object) { delete object; }

ICfgService* ConfigAdapter::extendConfig(ICfgService* service) {
  if (service == nullptr) {
    throw Plugins::PluginException("ExchConfigImpl.extendConfig: Bad ICfgService interface.",
                                   kPluginErrorCode);
  }
  return service;
}

}  // namespace lumenrt
