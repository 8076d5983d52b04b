// lumenrt otm, lumenrt plugins modules, lumenrt plugins describe: the texts of OTM status codes, the
// plug-in module table, and the descriptions of the adapter factories (or of a module's own).
#include "plugin_commands.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/module_call.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/otm_status.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "command.h"

namespace lumenrt::tool {

CLI::App* PluginsCommand(CLI::App& tool) {
  for (CLI::App* command : tool.get_subcommands([](CLI::App* c) { return c->get_name() == "plugins"; })) {
    return command;
  }
  return AddCommand(tool, "plugins", "plug-in modules: module table, factories, selection lists, options");
}

namespace {

int PrintOtm(const std::string& text) {
  const auto code = static_cast<std::uint32_t>(*ParseInteger(text, 0, UINT32_MAX));
  const char* message = OtmStatusMessage(code);
  std::printf("%s\n", message);
  // The closing row's text answers every code without a row of its own.
  bool hasRow = false;
  for (int i = 0; i + 1 < kOtmStatusRows; ++i) hasRow = hasRow || OtmStatusText[i].code == code;
  return hasRow ? kExitOk : kExitNone;
}

int PrintModules() {
  std::printf("kind\tfile\tfacility\tcode\tid\ttype\n");
  for (int kind = 0; kind < kModuleKindCount; ++kind) {
    std::printf("%d\t%s\t%s\t%s\t%d\t%s\n", kind, kModuleFiles[kind], kModuleFacilityCodes[kind],
                kModuleCodes[kind], static_cast<int>(kModuleIds[kind]), kModuleTypeNames[kind]);
  }
  return kExitOk;
}

// A module named without a folder is the file in the current folder, never one that the system's
// library search finds (which would load, and run the start-up code of, any library on it).
std::string ModulePath(const std::string& name) {
#ifdef _WIN32
  return name.find_first_of("/\\:") == std::string::npos ? ".\\" + name : name;
#else
  return name.find('/') == std::string::npos ? "./" + name : name;
#endif
}

struct DescribeRequest {
  long long kind = -1;
  std::string module;
};

int Describe(const DescribeRequest& r) {
  if (r.module.empty()) {
    if (r.kind != -1) return Fail(kExitUsage, "--kind needs --module FILE");
    for (int kind : {EXCH, EXCHMAPI}) {
      std::printf("%d\t%s\t%s\n", kind, kModuleTypeNames[kind], BuiltInFactory(kind)->getDescription());
    }
    return kExitOk;
  }
  if (r.kind == -1) return Fail(kExitUsage, "--module needs --kind N (0, 1, 2 or 4)");
  const auto kind = static_cast<std::int32_t>(r.kind);
  const std::string path = ModulePath(r.module);
  try {
    Plugins::IFactory* factory = LoadPluginModule(kind, path.c_str());
    std::string description;
    try {
      const std::string call = "getDescription of " + path;
      const char* text = CallIntoModule(call.c_str(), [factory] { return factory->getDescription(); });
      description = text != nullptr ? text : "";
    } catch (...) {
      UnloadPluginModule(kind);
      throw;
    }
    UnloadPluginModule(kind);
    std::printf("%d\t%s\t%s\n", kind, kModuleTypeNames[kind], description.c_str());
  } catch (const Plugins::PluginException& e) {
    return Fail(kExitNone, e.message);
  }
  return kExitOk;
}

const Registration kOtm{[](CLI::App& tool) {
  auto code = std::make_shared<std::string>();
  CLI::App* otm = AddCommand(tool, "otm", "the text of an OTM status code (exit 1 when it has no row)",
                             [code] { return PrintOtm(*code); });
  otm->add_option("CODE", *code, "status code, decimal or 0x-hexadecimal")
      ->required()
      ->check(IntegerCheck(0, UINT32_MAX, "bad OTM status code '{}' (0 to 0xFFFFFFFF)"));
}};

const Registration kPlugins{[](CLI::App& tool) {
  CLI::App* plugins = PluginsCommand(tool);
  AddCommand(*plugins, "modules", "the plug-in module table: kind, file, facility, code, id, type",
             [] { return PrintModules(); });
  auto r = std::make_shared<DescribeRequest>();
  CLI::App* describe = AddCommand(*plugins, "describe",
                                  "the descriptions of the two adapter factories, or of a module's factory",
                                  [r] { return Describe(*r); });
  AddInteger(*describe, "--kind", r->kind, 0, 4, "N", "module kind of --module (0, 1, 2 or 4)");
  describe->add_option(
      "--module", r->module,
      "a plug-in module file to load and describe (a name without a folder: in the current folder)");
}};

}  // namespace
}  // namespace lumenrt::tool
