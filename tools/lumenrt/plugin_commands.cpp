// lumenrt otm, lumenrt plugins modules / describe / check: the texts of OTM status codes, the plug-in
// module table, the descriptions of the adapter factories (or of a module's own), and a check of a
// module's exports for its kind.
#include "plugin_commands.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "lumenrt/platform/module_loader.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/module_call.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/otm_status.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {

CLI::App* PluginsCommand(CLI::App& tool) {
  for (CLI::App* command : tool.get_subcommands([](CLI::App* c) { return c->get_name() == "plugins"; })) {
    return command;
  }
  CLI::App* plugins =
      AddCommand(tool, "plugins", "plug-in modules: module table, factories, selection lists, options");
  AddExamples(*plugins, {"lumenrt plugins modules", "lumenrt plugins check --kind 2 ./my_module.so"});
  return plugins;
}

std::string ModulePath(const std::string& name) {
#ifdef _WIN32
  return name.find_first_of("/\\:") == std::string::npos ? ".\\" + name : name;
#else
  return name.find('/') == std::string::npos ? "./" + name : name;
#endif
}

namespace {

bool LoadableKind(long long kind) { return kind == 0 || kind == 1 || kind == 2 || kind == 4; }

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
  Records records({"kind", "file", "facility", "code", "id", "type"});
  for (int kind = 0; kind < kModuleKindCount; ++kind) {
    records.Add({kind, kModuleFiles[kind], kModuleFacilityCodes[kind], kModuleCodes[kind],
                 static_cast<int>(kModuleIds[kind]), kModuleTypeNames[kind]});
  }
  records.Print();
  return kExitOk;
}

// Loads the module as `kind` through the library, asks its factory for the description and unloads
// it again. A refusal or whatever the module raises comes out as a PluginException.
std::string ModuleDescription(std::int32_t kind, const std::string& path) {
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
  return description;
}

struct DescribeRequest {
  long long kind = -1;
  std::string module;
};

int Describe(const DescribeRequest& r) {
  Records records({"kind", "type", "description"});
  if (r.module.empty()) {
    if (r.kind != -1) return Fail(kExitUsage, "--kind needs --module FILE");
    for (int kind : {EXCH, EXCHMAPI}) {
      records.Add({kind, kModuleTypeNames[kind], BuiltInFactory(kind)->getDescription()});
    }
    records.Print();
    return kExitOk;
  }
  if (r.kind == -1) return Fail(kExitUsage, "--module needs --kind N (0, 1, 2 or 4)");
  const auto kind = static_cast<std::int32_t>(r.kind);
  try {
    records.Add({kind, kModuleTypeNames[kind], ModuleDescription(kind, ModulePath(r.module))});
  } catch (const Plugins::PluginException& e) {
    return Fail(kExitNone, e.message);
  }
  records.Print();
  return kExitOk;
}

struct ModuleCheckRequest {
  long long kind = -1;
  std::string module;
};

// One record per export the library looks up (present, missing: called by the library but absent,
// unused: absent and never called), then the factory's description when the module connects.
int Check(const ModuleCheckRequest& r) {
  if (!LoadableKind(r.kind)) {
    return Fail(kExitUsage, "module kind " + std::to_string(r.kind) + " cannot be loaded (0, 1, 2 or 4)");
  }
  const auto kind = static_cast<std::int32_t>(r.kind);
  const std::string path = ModulePath(r.module);
  ModuleHandle module = platform::LoadModule(path.c_str());
  if (module == nullptr) {
    std::string why = platform::ModuleLoadError();  // dlerror() names the file first
    if (why.rfind(path + ": ", 0) == 0) why.erase(0, path.size() + 2);
    return Fail(kExitNone, path + " cannot be loaded as a module: " + why);
  }
  Records records({"entry", "result"});
  std::string missing;
  for (const ModuleExport& e : ModuleExports(kind)) {
    const bool present = platform::FindSymbol(module, e.name) != nullptr;
    if (!present && e.called) missing += (missing.empty() ? "" : ", ") + std::string(e.name);
    records.Add({e.name, present ? "present" : e.called ? "missing" : "unused"});
  }
  std::string refused;
  try {
    records.Add({"getDescription", ModuleDescription(kind, path)});
  } catch (const Plugins::PluginException& e) {
    refused = e.message;
  }
  platform::ReleaseModule(module);
  records.Print();
  if (!missing.empty()) {
    return Fail(kExitNone,
                path + " is incomplete for kind " + std::to_string(kind) + ", it lacks: " + missing);
  }
  return refused.empty() ? kExitOk : Fail(kExitNone, refused);
}

const Registration kOtm{[](CLI::App& tool) {
  auto code = std::make_shared<std::string>();
  CLI::App* otm = AddCommand(tool, "otm", "the text of an OTM status code (exit 1 when it has no row)",
                             [code] { return PrintOtm(*code); });
  otm->add_option("CODE", *code, "status code, decimal or 0x-hexadecimal")
      ->required()
      ->check(IntegerCheck(0, UINT32_MAX, "bad OTM status code '{}' (0 to 0xFFFFFFFF)"));
  AddExamples(*otm, {"lumenrt otm 0xE0001022"});
}};

const Registration kPlugins{[](CLI::App& tool) {
  CLI::App* plugins = PluginsCommand(tool);
  CLI::App* modules =
      AddCommand(*plugins, "modules", "the plug-in module table: kind, file, facility, code, id, type",
                 [] { return PrintModules(); });
  AddJsonFlag(*modules);
  AddExamples(*modules, {"lumenrt plugins modules", "lumenrt plugins modules --json"});

  auto r = std::make_shared<DescribeRequest>();
  CLI::App* describe = AddCommand(*plugins, "describe",
                                  "the descriptions of the two adapter factories, or of a module's factory",
                                  [r] { return Describe(*r); });
  AddInteger(*describe, "--kind", r->kind, 0, 4, "N", "module kind of --module (0, 1, 2 or 4)");
  describe->add_option(
      "--module", r->module,
      "a plug-in module file to load and describe (a name without a folder: in the current folder)");
  AddJsonFlag(*describe);
  AddExamples(*describe,
              {"lumenrt plugins describe", "lumenrt plugins describe --kind 2 --module ./my_module.so"});

  auto c = std::make_shared<ModuleCheckRequest>();
  CLI::App* check = AddCommand(*plugins, "check",
                               "load a module, list the exports the library looks up for its kind (present, "
                               "missing, unused) and its description; exit 1 when it lacks one the library "
                               "calls or cannot be loaded",
                               [c] { return Check(*c); });
  AddInteger(*check, "--kind", c->kind, 0, 4, "N", "the module's kind (0, 1, 2 or 4)")->required();
  check->add_option("FILE", c->module, "the module file (a name without a folder: in the current folder)")
      ->required();
  AddJsonFlag(*check);
  AddExamples(*check, {"lumenrt plugins check --kind 2 ./my_module.so",
                       "lumenrt plugins check --kind 1 --json ./my_mailbox_module.so"});
}};

}  // namespace
}  // namespace lumenrt::tool
