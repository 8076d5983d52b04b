// Whether the plug-in registry (lumenrt/plugins/plugin_registry.h) is gone, as the library's own
// unload reads it.
#pragma once

namespace lumenrt {

// True once the registry built by instance() has been destroyed at unload (instance() then builds no
// new one and answers null).
bool PluginRegistryDestroyed();

}  // namespace lumenrt
