// The tool's "plugins" command group, shared by the files that add its verbs.
//
// Registrations run in no fixed order, so every family that adds a verb below "plugins" asks for the
// group through PluginsCommand, which creates it on the first call and hands back the same group on
// every later one.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace lumenrt::tool {

CLI::App* PluginsCommand(CLI::App& tool);

// The file a user's module name stands for: a name without a folder is the file in the current
// folder, never one that the system's library search finds (which would load, and run the start-up
// code of, any library on it).
std::string ModulePath(const std::string& name);

}  // namespace lumenrt::tool
