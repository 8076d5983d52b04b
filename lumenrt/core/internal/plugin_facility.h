// The facility code of a plug-in module's messages, by plug-in identifier: a hook into the plug-in
// registry.
//
// Facility numbers above 200 are plug-in identifiers. Their codes belong to the plug-in registry
// (its module table), which sits above this layer; the registry installs its answer here when the
// library starts. Installed, the hook answers 201 "EXMA", 202 "MSQL", 203 and 204 "ORCL", and 205 the
// empty text that closes the registry's list; before anything is installed, every number answers
// null.
//
// Thread safety: install at start-up (or in a test, before use); reading is atomic, any thread.
#pragma once

namespace lumenrt {

// Answers the code for a plug-in identifier, or null when it names no module.
using PluginFacilityResolver = const char* (*)(int pluginId);

// The installed resolver's answer for pluginId, or null when none is installed.
const char* PluginFacilityCode(int pluginId);

// Installs resolver (null: none) and returns the one installed before.
PluginFacilityResolver SetPluginFacilityResolver(PluginFacilityResolver resolver);

}  // namespace lumenrt
