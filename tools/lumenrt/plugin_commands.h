// The tool's "plugins" command group, shared by the files that add its verbs.
//
// Registrations run in no fixed order, so every family that adds a verb below "plugins" asks for the
// group through PluginsCommand, which creates it on the first call and hands back the same group on
// every later one.
#pragma once

#include <CLI/CLI.hpp>

namespace lumenrt::tool {

CLI::App* PluginsCommand(CLI::App& tool);

}  // namespace lumenrt::tool
