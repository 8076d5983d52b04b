// lumenrt plugins selection / plugins options: what a job's configuration makes of a selection list,
// and what applyOptions hands a module, shown without running a job.
//
// selection: the entries a job's include key yields, through a configuration service of the tool's
// own over the sources (slots 1 to 4 in the order given); one record per entry: name, source and
// include flag. options: loads the recording module that ships with the tool (or --module, an
// author's own) as the kind's module, runs the backup or restore object's applyOptions on a job
// record whose flags byte is --flags, and prints each argument the recording module received
// (position, name, value); for the mailbox kind also the account, password (masked unless
// --show-password) and domain written into the job record. A module that keeps no record of its
// calls (no rec_* functions) shows what applyOptions answered instead. A PluginException prints its
// text, a configuration error its catalogue line, on stderr with exit 1.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
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
#include "lumenrt/plugins/module_call.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "command.h"
#include "config_sources.h"
#include "plugin_commands.h"
#include "recording_module.h"
#include "records.h"

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
  std::string module;
};

struct OptionsRequest {
  std::string kind;
  bool backup = false;
  bool restore = false;
  bool showPassword = false;
  long long flags = 0;
  std::vector<std::string> files;
  std::string module;
};

// exch and mapi are kinds 0 and 1; a number names the kind itself.
int KindNumber(const std::string& kind) {
  if (kind == "exch") return 0;
  if (kind == "mapi") return 1;
  return std::stoi(kind);
}

// A module of kind 2 or 4 is an author's code: whatever leaves it is made the library's
// PluginException while it is loaded. The adapters of kinds 0 and 1 are the library's own and raise
// configuration errors that are reported as catalogue lines.
template <typename F>
decltype(auto) CallModule(int kind, const char* call, F&& f) {
  if (kind == 0 || kind == 1) return f();
  return CallIntoModule(call, std::forward<F>(f));
}

// The module the command drives: --module loaded as the kind's module, or for selection without
// one the built-in adapter factory. Unloads what it loaded.
class DrivenModule {
 public:
  DrivenModule(int kind, const std::string& path) : kind_(kind) {
    if (path.empty()) {
      factory_ = BuiltInFactory(kind);
    } else {
      factory_ = LoadPluginModule(kind, path.c_str());
      loaded_ = true;
    }
  }
  ~DrivenModule() {
    if (loaded_) UnloadPluginModule(kind_);
  }
  DrivenModule(const DrivenModule&) = delete;
  DrivenModule& operator=(const DrivenModule&) = delete;
  Plugins::IFactory& factory() const { return *factory_; }

 private:
  int kind_;
  bool loaded_ = false;
  Plugins::IFactory* factory_ = nullptr;
};

bool NeedsModule(int kind, const std::string& module) { return kind > 1 && module.empty(); }

int RunSelection(const SelectionRequest& request) {
  if (request.files.size() > 4) return Fail(kExitUsage, "give one to four --source files");
  const int kind = KindNumber(request.kind);
  if (NeedsModule(kind, request.module))
    return Fail(kExitUsage, "--kind " + request.kind + " needs --module FILE");
  InstalledSources installed;
  if (!installed.Load(request.files, std::vector<unsigned int>(request.files.size(), 1u),
                      std::vector<int>(request.files.size(), kLastFormatVersion)))
    return kExitUsage;
  SourcesCfgService service;
  Records records({"name", "source", "include"});
  try {
    DrivenModule driven(kind, request.module.empty() ? "" : ModulePath(request.module));
    Plugins::IFactory& factory = driven.factory();
    CallModule(kind, "the selection list", [&] {
      Plugins::ISelectionList* list = factory.createSelectionList();
      if (list == nullptr) throw Plugins::PluginException("no memory for a selection list", 1);
      std::unique_ptr<Plugins::ISelectionList, std::function<void(Plugins::ISelectionList*)>> owned(
          list, [&factory](Plugins::ISelectionList* o) { factory.releaseSelectionList(o); });
      list->setup(static_cast<std::int32_t>(request.token), &service, 0);
      SelectionEntry entry{};
      for (bool restart = true; list->next(restart, &entry); restart = false) {
        // A module's name may lack its terminating zero: never read past the entry.
        records.Add({std::string(entry.name, std::find(entry.name, std::end(entry.name), '\0')), entry.source,
                     static_cast<int>(entry.include)});
        entry = SelectionEntry{};
      }
    });
  } catch (const Plugins::PluginException& e) {
    return Fail(kExitNone, e.message);
  } catch (ZError* error) {
    return ReportRaised(error);
  }
  records.Print();
  return kExitOk;
}

// Runs applyOptions of a new backup or restore object and gives the object back, also when it raises;
// answers what applyOptions answered.
std::int32_t ApplyOptions(Plugins::IFactory& factory, bool restore, JobSettings& job) {
  if (restore) {
    std::unique_ptr<Plugins::IRestore2, std::function<void(Plugins::IRestore2*)>> object(
        factory.createRestore(), [&factory](Plugins::IRestore2* o) { factory.releaseRestore2(o); });
    if (object == nullptr) throw Plugins::PluginException("no memory for a restore object", 1);
    return object->applyOptions(&job);
  }
  std::unique_ptr<Plugins::IBackup, std::function<void(Plugins::IBackup*)>> object(
      factory.createBackup(), [&factory](Plugins::IBackup* o) { factory.releaseBackup(o); });
  if (object == nullptr) throw Plugins::PluginException("no memory for a backup object", 1);
  return object->applyOptions(&job);
}

// The record of the calls into a recording module, reached through a second reference to it.
class CallRecord {
 public:
  explicit CallRecord(const std::string& path) : module_(platform::LoadModule(path.c_str())) {
    reset_ = reinterpret_cast<RecResetFn>(platform::FindSymbol(module_, "rec_reset"));
    count_ = reinterpret_cast<RecCallCountFn>(platform::FindSymbol(module_, "rec_call_count"));
    argCount_ = reinterpret_cast<RecArgCountFn>(platform::FindSymbol(module_, "rec_arg_count"));
    argName_ = reinterpret_cast<RecArgNameFn>(platform::FindSymbol(module_, "rec_arg_name"));
    argValue_ = reinterpret_cast<RecArgValueFn>(platform::FindSymbol(module_, "rec_arg_value"));
  }
  ~CallRecord() { platform::ReleaseModule(module_); }
  CallRecord(const CallRecord&) = delete;
  CallRecord& operator=(const CallRecord&) = delete;

  bool Kept() const {
    return reset_ != nullptr && count_ != nullptr && argCount_ != nullptr && argName_ != nullptr &&
           argValue_ != nullptr;
  }
  void Reset() const { reset_(); }
  void AddTo(Records& records) const {
    for (int call = 0; call < count_(); ++call) {
      for (int arg = 0; arg < argCount_(call); ++arg) {
        records.Add({arg + 1, argName_(call, arg), argValue_(call, arg)});
      }
    }
  }

 private:
  ModuleHandle module_;
  RecResetFn reset_;
  RecCallCountFn count_;
  RecArgCountFn argCount_;
  RecArgNameFn argName_;
  RecArgValueFn argValue_;
};

int RunOptions(const OptionsRequest& request) {
  if (request.backup == request.restore) return Fail(kExitUsage, "give one of --backup and --restore");
  if (request.files.size() > 4) return Fail(kExitUsage, "give one to four --source files");
  const int kind = KindNumber(request.kind);
  if (NeedsModule(kind, request.module))
    return Fail(kExitUsage, "--kind " + request.kind + " needs --module FILE");
  InstalledSources installed;
  if (!installed.Load(request.files, std::vector<unsigned int>(request.files.size(), 1u),
                      std::vector<int>(request.files.size(), kLastFormatVersion)))
    return kExitUsage;

  const std::string path = request.module.empty() ? RecorderPath().string() : ModulePath(request.module);
  std::unique_ptr<DrivenModule> driven;
  try {
    driven = std::make_unique<DrivenModule>(kind, path);
  } catch (const Plugins::PluginException& e) {
    return Fail(kExitNone, request.module.empty() ? std::string(e.message) + " (" + path + ")" : e.message);
  }
  const CallRecord record(path);
  if (!record.Kept() && request.module.empty()) {
    return Fail(kExitNone, path + " is not the recording module: it lacks the rec_* functions");
  }
  if (record.Kept()) record.Reset();

  auto job = std::make_unique<JobSettings>();
  std::memset(job.get(), 0, sizeof(JobSettings));
  job->flags = static_cast<std::uint8_t>(request.flags);

  Records records({"position", "name", "value"});
  int exit = kExitOk;
  try {
    const std::int32_t result = CallModule(
        kind, "applyOptions", [&] { return ApplyOptions(driven->factory(), request.restore, *job); });
    if (record.Kept()) {
      record.AddTo(records);
    } else {
      records.Add({"result", "applyOptions", std::to_string(result)});
    }
    if (kind == 1) {
      records.Add({"job", "account", job->account});
      records.Add({"job", "password", request.showPassword ? job->password : "********"});
      records.Add({"job", "domain", job->domain});
    }
  } catch (const Plugins::PluginException& e) {
    exit = Fail(kExitNone, e.message);
  } catch (ZError* error) {
    exit = ReportRaised(error);
  }
  if (exit == kExitOk) records.Print();
  std::memset(job->password, 0, sizeof job->password);
  return exit;
}

void AddKindSourcesAndModule(CLI::App& command, std::string& kind, std::vector<std::string>& files,
                             std::string& module) {
  command
      .add_option("--kind", kind,
                  "the module kind: exch (0), mapi (1), or 0, 1, 2, 4 (2 and 4 need --module)")
      ->type_name("exch|mapi|N")
      ->required()
      ->check(CLI::IsMember({"exch", "mapi", "0", "1", "2", "4"}).description(""));
  command
      .add_option("--source", files, "a job or global file of NAME = VALUE lines (1 to 4, in lookup order)")
      ->type_name("FILE")
      ->required()
      ->allow_extra_args(false);
  command.add_option("--module", module,
                     "a module of your own to load as the kind's module (a name without a folder: in the "
                     "current folder)");
  AddJsonFlag(command);
}

const Registration kPluginOptions{[](CLI::App& tool) {
  CLI::App* plugins = PluginsCommand(tool);

  auto selection = std::make_shared<SelectionRequest>();
  CLI::App* sel = AddCommand(*plugins, "selection",
                             "the selection list a job's configuration yields: name, source and include "
                             "flag; a bad token type exits 1",
                             [selection] { return RunSelection(*selection); });
  AddKindSourcesAndModule(*sel, selection->kind, selection->files, selection->module);
  AddInteger(*sel, "--token", selection->token, INT32_MIN, INT32_MAX, "N",
             "the token type: 0 backup, 1 restore (2 and 3 give an empty list)")
      ->required();
  AddExamples(*sel,
              {"lumenrt plugins selection --kind exch --token 0 --source job.qxc",
               "lumenrt plugins selection --kind 2 --module ./my_module.so --token 0 --source job.qxc"});

  auto options = std::make_shared<OptionsRequest>();
  CLI::App* opt =
      AddCommand(*plugins, "options",
                 "a dry run of applyOptions against the recording module (or --module): each argument "
                 "the module receives (position, name, value), and for mapi the job's account, password "
                 "and domain; a configuration or plug-in error exits 1",
                 [options] { return RunOptions(*options); });
  AddKindSourcesAndModule(*opt, options->kind, options->files, options->module);
  opt->add_flag("--backup", options->backup, "the backup object's options");
  opt->add_flag("--restore", options->restore, "the restore object's options");
  AddInteger(*opt, "--flags", options->flags, 0, 255, "N", "the job's flags byte (0 to 255)");
  opt->add_flag("--show-password", options->showPassword, "print the password written into the job record");
  AddExamples(*opt, {"lumenrt plugins options --kind exch --backup --source job.qxc",
                     "lumenrt plugins options --kind mapi --restore --source job.qxc --source Global.qxc "
                     "--module ./my_mailbox_module.so"});
}};

}  // namespace
}  // namespace lumenrt::tool
