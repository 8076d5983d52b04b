// An example plug-in module of the factory family (kinds 2 and 4): the module exports one C function,
// plugin_get_factory, that hands the library its Plugins::IFactory. The factory creates the working
// objects (backup, restore, configuration, selection list) and takes them back.
//
// This one plays a database module of kind 2 (SQLSERVER_70). Its selection list names the databases
// of the job's include key (SQLServerBackup.Include for a backup, SQLServerRestore.Include for a
// restore), one entry per comma-separated name; its backup and restore objects accept any job.
//
// Build it against the installed library (examples/CMakeLists.txt), then try it:
//   lumenrt plugins check --kind 2 ./example_factory_module.so
//   lumenrt plugins selection --kind 2 --module ./example_factory_module.so --token 0 --source job.qxc
#include <cstdint>
#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <vector>

// The library's base classes answer every slot that has no role of its own here; a module may
// implement the interfaces (lumenrt/plugins/i*.h) from scratch instead.
#include "lumenrt/plugins/adapter_defaults.h"
#include "lumenrt/plugins/cfg_service.h"
#include "lumenrt/plugins/iselection_list.h"
#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/selection_entry.h"

#if defined(_WIN32)
#define EXAMPLE_EXPORT extern "C" __declspec(dllexport)
#else
#define EXAMPLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Configuration keys are known by number (the configuration vocabulary of the library).
constexpr std::int32_t kBackupIncludeKey = 1101;   // SQLServerBackup.Include
constexpr std::int32_t kRestoreIncludeKey = 2101;  // SQLServerRestore.Include
constexpr std::int32_t kSourceDatabase = 2;        // what this module's entries carry as source

// Reads a key through the agent's configuration service: the length goes in as the buffer's size
// and comes back as the size the whole value needs, so a second call fetches a long value whole.
std::string ReadKey(ICfgService& service, std::int32_t key) {
  std::vector<char> buffer(256);
  auto length = static_cast<std::int32_t>(buffer.size());
  service.getValue(key, buffer.data(), &length);
  if (length > static_cast<std::int32_t>(buffer.size())) {
    buffer.resize(static_cast<std::size_t>(length));
    service.getValue(key, buffer.data(), &length);
  }
  return buffer.data();
}

class DatabaseList final : public Plugins::ISelectionList {
 public:
  void setup(std::int32_t tokenType, ICfgService* service, Plugins::Word context) override {
    token_ = tokenType;
    service_ = service;
    context_ = context;
  }
  void reserved2() override {}

  // restart rebuilds the list from the configuration; each call hands out one entry.
  bool next(bool restart, SelectionEntry* entry) override {
    if (restart) Build();
    if (entry == nullptr || cursor_ >= names_.size()) return false;
    std::memset(entry, 0, sizeof *entry);
    entry->kind = lumenrt::kSelectionEntryKind;
    entry->source = kSourceDatabase;
    // A name longer than the entry holds is refused rather than cut.
    const std::string& name = names_[cursor_++];
    if (name.size() >= sizeof entry->name) throw Plugins::PluginException("database name too long", 1);
    std::memcpy(entry->name, name.c_str(), name.size() + 1);
    entry->include = 1;
    return true;
  }
  bool reserved4(Plugins::Word, Plugins::Word) override { return false; }
  void setContext(Plugins::Word context) override { context_ = context; }

 private:
  void Build() {
    names_.clear();
    cursor_ = 0;
    if (token_ == 2 || token_ == 3) return;  // nothing to select
    // Failures are raised as Plugins::PluginException with code 1 and a short English text.
    if (token_ != 0 && token_ != 1) throw Plugins::PluginException("ExampleDatabaseList: Bad token type.", 1);
    if (service_ == nullptr)
      throw Plugins::PluginException("ExampleDatabaseList: no configuration service.", 1);
    std::istringstream include(ReadKey(*service_, token_ == 0 ? kBackupIncludeKey : kRestoreIncludeKey));
    for (std::string name; std::getline(include, name, ',');) {
      const auto first = name.find_first_not_of(' ');
      if (first != std::string::npos)
        names_.push_back(name.substr(first, name.find_last_not_of(' ') - first + 1));
    }
  }

  std::int32_t token_ = 4;
  ICfgService* service_ = nullptr;
  Plugins::Word context_ = 0;
  std::vector<std::string> names_;
  std::size_t cursor_ = 0;
};

// applyOptions receives the agent's job record; a real module would read its settings here.
class DatabaseBackup final : public lumenrt::BackupAdapter {
 public:
  std::int32_t applyOptions(JobSettings* job) override { return job != nullptr ? 1 : 0; }
};

class DatabaseRestore final : public lumenrt::RestoreAdapter {
 public:
  std::int32_t applyOptions(JobSettings* job) override { return job != nullptr ? 1 : 0; }
};

class DatabaseFactory final : public lumenrt::FactoryAdapter {
 public:
  // The text stays the module's; the caller only reads it.
  const char* getDescription() override { return "Example database module."; }
  // Objects are made with new and come back through the release operations (FactoryAdapter's delete
  // them). Null tells the caller that no memory was left.
  Plugins::IBackup* createBackup() override { return new (std::nothrow) DatabaseBackup; }
  Plugins::IRestore2* createRestore() override { return new (std::nothrow) DatabaseRestore; }
  Plugins::IConfig* createConfig() override { return new (std::nothrow) lumenrt::ConfigAdapter; }
  Plugins::ISelectionList* createSelectionList() override { return new (std::nothrow) DatabaseList; }
};

}  // namespace

// The one export of a factory module. The factory belongs to the module: the library never deletes
// it and stops using it when it unloads the module.
EXAMPLE_EXPORT Plugins::IFactory* plugin_get_factory() {
  static DatabaseFactory factory;
  return &factory;
}
