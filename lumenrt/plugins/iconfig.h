// Plugins::IConfig: a plug-in's configuration object (5 slots, slot 0 the destructor).
//
// extendConfig receives the agent's configuration service and answers the service the plug-in wants
// the agent to use; the library's adapters answer the same pointer and raise PluginException (code 1)
// for a null one. Slots named reservedN keep their place and shape for plug-ins that give them a
// meaning. Created and released through IFactory.
#pragma once

#include "lumenrt/plugins/cfg_service.h"
#include "lumenrt/plugins/word.h"

namespace Plugins {

class IConfig {
 public:
  virtual ~IConfig() = default;                                 // 0
  virtual void setContext(Word context) = 0;                    // 1
  virtual void reserved2() = 0;                                 // 2
  virtual ICfgService* extendConfig(ICfgService* service) = 0;  // 3
  virtual void replaceContext(Word context) = 0;                // 4
};

}  // namespace Plugins
