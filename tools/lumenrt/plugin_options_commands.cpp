// lumenrt plugins selection / plugins options: what a job's configuration makes of a selection list,
// and what applyOptions hands the Exchange modules, shown without running a job.
//
// selection: the entries a job's include key yields, through a configuration service of the tool's
// own over the sources (slots 1 to 4 in the order given); one line per entry: name, source and
// include flag, tab-separated. options: loads the recording module that ships with the tool as the
// kind's module, runs the backup or restore object's applyOptions on a job record whose flags
// byte is --flags, and prints each argument the module received (position, name, value); for the
// mailbox kind also the account, password (masked unless --show-password) and domain written into
// the job record. A PluginException prints its text, a configuration error its catalogue line, on
// stderr with exit 1.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/lookups.h"
#include "lumenrt/config/schema.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/module_loader.h"
#include "lumenrt/plugins/cfg_service.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/irestore.h"
#include "lumenrt/plugins/iselection_list.h"
#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "command.h"
#include "config_sources.h"
#include "plugin_commands.h"
#include "recording_module.h"

namespace lumenrt::tool {
namespace {

// The recording module's file (RecorderPath).
#ifdef _WIN32
constexpr const char kRecorderFile[] = "lumenrt-recorder.dll";
#else
constexpr const char kRecorderFile[] = "lumenrt-recorder.so";
#endif

// The agent's configuration service as the tool plays it: values come from the installed sources.
class SourcesCfgService : public ICfgService {
 public:
  std::int32_t getValue(std::int32_t key, char* buffer, std::int32_t* length) override {
    ZString value;
    int found = cfg_get_string(key, value);
    if (*length > 0) {
      std::size_t n =
          std::min(static_cast<std::size_t>(value.Length()), static_cast<std::size_t>(*length - 1));
      std::memcpy(buffer, value.c_str(), n);
      buffer[n] = '\0';
    }
    *length = value.Length() + 1;
    return found;
  }
};

// The recording module: installed, in <libdir>/lumenrt one folder up from the tool's; in the build
// tree, beside the tool.
std::filesystem::path RecorderPath() {
#ifdef _WIN32
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  const std::filesystem::path folder =
      n == 0 || n == sizeof self ? std::filesystem::path(".") : std::filesystem::path(self).parent_path();
#else
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path folder = ec ? std::filesystem::path(".") : self.parent_path();
#endif
  const auto installed = (folder / LUMENRT_TOOL_MODULE_DIR / kRecorderFile).lexically_normal();
  std::error_code missing;
  return std::filesystem::exists(installed, missing) ? installed : folder / kRecorderFile;
}

struct SelectionRequest {
  std::string kind;
  long long token = 0;
  std::vector<std::string> files;
};

struct OptionsRequest {
  std::string kind;
  bool backup = false;
  bool restore = false;
  bool showPassword = false;
  long long flags = 0;
  std::vector<std::string> files;
};

int KindNumber(const std::string& kind) { return kind == "mapi" ? 1 : 0; }

int RunSelection(const SelectionRequest& request) {
  if (request.files.size() > 4) return Fail(kExitUsage, "give one to four --source files");
  InstalledSources installed;
  if (!installed.Load(request.files, std::vector<unsigned int>(request.files.size(), 1u),
                      std::vector<int>(request.files.size(), kLastFormatVersion)))
    return kExitUsage;
  SourcesCfgService service;
  Plugins::IFactory* factory = BuiltInFactory(KindNumber(request.kind));
  Plugins::ISelectionList* list = factory->createSelectionList();
  if (list == nullptr) return Fail(kExitNone, "no memory for a selection list");
  int exit = kExitOk;
  try {
    list->setup(static_cast<std::int32_t>(request.token), &service, 0);
    SelectionEntry entry;
    for (bool restart = true; list->next(restart, &entry); restart = false) {
      std::cout << entry.name << '\t' << entry.source << '\t' << static_cast<int>(entry.include) << '\n';
    }
  } catch (const Plugins::PluginException& e) {
    exit = Fail(kExitNone, e.message);
  } catch (ZError* error) {
    exit = ReportRaised(error);
  }
  factory->releaseSelectionList(list);
  return exit;
}

// Runs applyOptions of a new backup or restore object and gives the object back, also when it raises.
void ApplyOptions(Plugins::IFactory& factory, bool restore, JobSettings& job) {
  if (restore) {
    std::unique_ptr<Plugins::IRestore2, std::function<void(Plugins::IRestore2*)>> object(
        factory.createRestore(), [&factory](Plugins::IRestore2* o) { factory.releaseRestore2(o); });
    if (object == nullptr) throw Plugins::PluginException("no memory for a restore object", 1);
    object->applyOptions(&job);
  } else {
    std::unique_ptr<Plugins::IBackup, std::function<void(Plugins::IBackup*)>> object(
        factory.createBackup(), [&factory](Plugins::IBackup* o) { factory.releaseBackup(o); });
    if (object == nullptr) throw Plugins::PluginException("no memory for a backup object", 1);
    object->applyOptions(&job);
  }
}

int RunOptions(const OptionsRequest& request) {
  if (request.backup == request.restore) return Fail(kExitUsage, "give one of --backup and --restore");
  if (request.files.size() > 4) return Fail(kExitUsage, "give one to four --source files");
  InstalledSources installed;
  if (!installed.Load(request.files, std::vector<unsigned int>(request.files.size(), 1u),
                      std::vector<int>(request.files.size(), kLastFormatVersion)))
    return kExitUsage;

  const int kind = KindNumber(request.kind);
  const std::string recorder = RecorderPath().string();
  Plugins::IFactory* factory = nullptr;
  try {
    factory = LoadPluginModule(kind, recorder.c_str());
  } catch (const Plugins::PluginException& e) {
    return Fail(kExitNone, std::string(e.message) + " (" + recorder + ")");
  }
  // A second reference to the loaded module reaches its record.
  ModuleHandle module = platform::LoadModule(recorder.c_str());
  auto find = [module](const char* name) { return platform::FindSymbol(module, name); };
  reinterpret_cast<RecResetFn>(find("rec_reset"))();

  auto job = std::make_unique<JobSettings>();
  std::memset(job.get(), 0, sizeof(JobSettings));
  job->flags = static_cast<std::uint8_t>(request.flags);

  int exit = kExitOk;
  try {
    ApplyOptions(*factory, request.restore, *job);
  } catch (const Plugins::PluginException& e) {
    exit = Fail(kExitNone, e.message);
  } catch (ZError* error) {
    exit = ReportRaised(error);
  }

  if (exit == kExitOk) {
    auto count = reinterpret_cast<RecCallCountFn>(find("rec_call_count"));
    auto argCount = reinterpret_cast<RecArgCountFn>(find("rec_arg_count"));
    auto argName = reinterpret_cast<RecArgNameFn>(find("rec_arg_name"));
    auto argValue = reinterpret_cast<RecArgValueFn>(find("rec_arg_value"));
    for (int call = 0; call < count(); ++call) {
      for (int arg = 0; arg < argCount(call); ++arg) {
        std::cout << arg + 1 << '\t' << argName(call, arg) << '\t' << argValue(call, arg) << '\n';
      }
    }
    if (kind == 1) {
      std::cout << "job\taccount\t" << job->account << '\n'
                << "job\tpassword\t" << (request.showPassword ? job->password : "********") << '\n'
                << "job\tdomain\t" << job->domain << '\n';
    }
  }
  std::memset(job->password, 0, sizeof job->password);
  platform::ReleaseModule(module);
  UnloadPluginModule(kind);
  return exit;
}

void AddKindAndSources(CLI::App& command, std::string& kind, std::vector<std::string>& files) {
  command.add_option("--kind", kind, "the module kind")
      ->type_name("exch|mapi")
      ->required()
      ->check(CLI::IsMember({"exch", "mapi"}).description(""));
  command
      .add_option("--source", files, "a job or global file of NAME = VALUE lines (1 to 4, in lookup order)")
      ->type_name("FILE")
      ->required()
      ->allow_extra_args(false);
}

const Registration kPluginOptions{[](CLI::App& tool) {
  CLI::App* plugins = PluginsCommand(tool);

  auto selection = std::make_shared<SelectionRequest>();
  CLI::App* sel =
      AddCommand(*plugins, "selection",
                 "the selection list a job's configuration yields: name, source and include flag, "
                 "tab-separated; a bad token type exits 1",
                 [selection] { return RunSelection(*selection); });
  AddKindAndSources(*sel, selection->kind, selection->files);
  AddInteger(*sel, "--token", selection->token, INT32_MIN, INT32_MAX, "N",
             "the token type: 0 backup, 1 restore (2 and 3 give an empty list)")
      ->required();

  auto options = std::make_shared<OptionsRequest>();
  CLI::App* opt =
      AddCommand(*plugins, "options",
                 "a dry run of applyOptions against the recording module: each argument the module "
                 "receives (position, name, value), and for mapi the job's account, password and "
                 "domain; a configuration or plug-in error exits 1",
                 [options] { return RunOptions(*options); });
  AddKindAndSources(*opt, options->kind, options->files);
  opt->add_flag("--backup", options->backup, "the backup object's options");
  opt->add_flag("--restore", options->restore, "the restore object's options");
  AddInteger(*opt, "--flags", options->flags, 0, 255, "N", "the job's flags byte (0 to 255)");
  opt->add_flag("--show-password", options->showPassword, "print the password written into the job record");
}};

}  // namespace
}  // namespace lumenrt::tool
