// The built-in adapter factories that start-up lends the plug-in loader
// (lumenrt/plugins/plugin_loading.h, BuiltInFactory).
#pragma once

#include "lumenrt/plugins/ifactory.h"

namespace lumenrt {

// Start-up hands its two adapter factories to the loader here, and takes them back (nulls) before
// destroying them. The factories live above this layer, so the loader only borrows them.
void SetBuiltInFactories(Plugins::IFactory* exch, Plugins::IFactory* mapi);

}  // namespace lumenrt
