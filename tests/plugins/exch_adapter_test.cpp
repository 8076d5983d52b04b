// The Exchange database adapter driven through a loaded recording module and the Plugins
// interfaces, as the agent drives it.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/core/zerror.h"
#include "lumenrt/plugins/exch/exch_records.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/irestore.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "free_counter.h"
#include "plug_support.h"

namespace {

using plugtest::Call;
using plugtest::Configuration;
using plugtest::LogCapture;
using plugtest::Recording;
using plugtest::TraceCapture;
using Strings = std::vector<std::string>;

std::string Trace(const char* entry) { return std::string("interface: ") + entry + "\n"; }

// The text of a configuration-value error (a heap ZError) raised by f, or "" when none is raised.
std::string ValueError(const std::function<void()>& f) {
  try {
    f();
  } catch (ZError* e) {
    std::string text = e->text.c_str();
    delete e;
    return text;
  }
  return "";
}

std::string PluginError(const std::function<void()>& f) {
  try {
    f();
  } catch (const Plugins::PluginException& e) {
    EXPECT_EQ(e.code, 1);
    return e.message;
  }
  return "";
}

class ExchAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    factory_ = lumenrt::LoadPluginModule(0, LUMENRT_PLUG_EXCH_MODULE);
    ASSERT_NE(factory_, nullptr);
    rec_ = std::make_unique<Recording>(LUMENRT_PLUG_EXCH_MODULE);
    rec_->Reset();
    backup_ = factory_->createBackup();
    restore_ = factory_->createRestore();
  }
  void TearDown() override {
    factory_->releaseBackup(backup_);
    factory_->releaseRestore2(restore_);
    rec_->Reset();
    rec_.reset();
    lumenrt::UnloadPluginModule(0);
  }

  Plugins::IFactory* factory_ = nullptr;
  std::unique_ptr<Recording> rec_;
  Plugins::IBackup* backup_ = nullptr;
  Plugins::IRestore2* restore_ = nullptr;
};

TEST_F(ExchAdapter, EachOperationWritesItsTraceLinesBeforeCallingTheModule) {
  Configuration config({"Backup.EXCH_Backup_Type = Full\n"});
  struct Row {
    const char* what;
    std::function<void()> run;
    Strings traces;
    Strings calls;
  };
  char buffer[64] = "";
  std::int32_t length = 0;
  void* cell = nullptr;
  const std::vector<Row> rows = {
      {"queryModule",
       [&] { backup_->queryModule(1, buffer, &length); },
       {Trace("exch_dispatch")},
       {"exch_dispatch"}},
      {"hasDiskError",
       [&] { backup_->hasDiskError(); },
       {Trace("exch_raw_dsk_error")},
       {"exch_raw_dsk_error"}},
      {"findNextObject",
       [&] { backup_->findNextObject(true, 1, 2, 3, &cell); },
       {Trace("exch_raw_sidf_search")},
       {"exch_raw_sidf_search"}},
      {"openObject",
       [&] { backup_->openObject(&cell, 1, 2); },
       {Trace("exch_raw_bck_access")},
       {"exch_raw_bck_access"}},
      {"openSubstream",
       [&] { backup_->openSubstream(0, 1); },
       {Trace("exch_raw_bck_opensubstream")},
       {"exch_raw_bck_opensubstream"}},
      {"readObjectData",
       [&] { backup_->readObjectData(1, 2, 3, 4); },
       {Trace("exch_raw_bck_read")},
       {"exch_raw_bck_read"}},
      {"backup applyOptions",
       [&] { backup_->applyOptions(nullptr); },
       {Trace("exch_set_backup_options")},
       {"exch_set_backup_options"}},
      {"restore applyOptions",
       [&] { restore_->applyOptions(nullptr); },
       {Trace("exch_set_restore_options")},
       {"exch_set_restore_options"}},
      {"reportModuleLog",
       [&] {
         rec_->AddLogError(86, 4099, "one");
         backup_->reportModuleLog();
       },
       {Trace("exch_get_log_objects"), Trace("exch_clear_log_objects")},
       {"exch_get_log_objects", "exch_clear_log_objects"}},
  };
  LogCapture log;
  for (const auto& row : rows) {
    rec_->Reset();
    TraceCapture trace;
    row.run();
    EXPECT_EQ(trace.Lines(), row.traces) << row.what;
    EXPECT_EQ(rec_->CallNames(), row.calls) << row.what;
  }
}

TEST_F(ExchAdapter, FindNextObjectSearchesWithTheLastHandleAndResetsTheSharedRecord) {
  void* result = nullptr;
  rec_->SetResult("exch_raw_sidf_search", 77);
  EXPECT_TRUE(backup_->findNextObject(false, 11, 22, 99, &result));
  auto* record = static_cast<SidfObjectRecord*>(result);
  ASSERT_NE(record, nullptr);

  // Dirty what the library owns and what the module owns, then search again.
  record->value0 = 5;
  record->value16 = 6;
  record->flag91 = 7;
  record->block27[63] = 8;
  record->block108[587] = 9;
  record->value716 = 10;
  record->moduleData712 = 42;
  record->entries[0].bytes[0] = 1;
  rec_->SetResult("exch_raw_sidf_search", 0);
  EXPECT_FALSE(backup_->findNextObject(false, 33, 44, 0, &result));
  EXPECT_EQ(result, record);  // one record for the process, handed out by every search
  EXPECT_EQ(record->value0 + record->value16 + record->flag91 + record->block27[63] + record->block108[587] +
                record->value716,
            0);
  EXPECT_EQ(record->moduleData712, 42);
  ASSERT_EQ(record->entryCount, 1);
  EXPECT_EQ(record->entries[0].bytes[0], 0);

  rec_->SetResult("exch_raw_sidf_search", 5);
  backup_->findNextObject(true, 55, 66, 0, &result);  // a restart searches from handle 0

  const std::string address = std::to_string(reinterpret_cast<std::intptr_t>(record));
  auto calls = rec_->Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].Names(), (Strings{"zero", "handle", "value1", "value2", "record"}));
  EXPECT_EQ(calls[0].Values(), (Strings{"0", "0", "11", "22", address}));
  EXPECT_EQ(calls[1].Values(), (Strings{"0", "77", "33", "44", address}));
  EXPECT_EQ(calls[2].Values(), (Strings{"0", "0", "55", "66", address}));
}

TEST_F(ExchAdapter, OpenObjectCopiesTheModulesAnswerOnlyWhenThereIsOne) {
  rec_->SetResult("exch_raw_sidf_search", 9);
  void* result = nullptr;
  backup_->findNextObject(false, 0, 0, 0, &result);

  struct Row {
    long long answer;
    bool nullAddress;
    bool filled;
  };
  for (const Row& row : {Row{0, false, false}, Row{1, true, false}, Row{3, false, true}}) {
    rec_->SetResult("exch_raw_bck_access", row.answer);
    rec_->SetNullAccess(row.nullAddress);
    void* cell = &result;  // anything recognisable
    backup_->openObject(&cell, 12, 34);
    if (!row.filled) {
      EXPECT_EQ(cell, &result) << row.answer;
      continue;
    }
    auto* access = static_cast<RawAccessRecord*>(cell);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->size, 80);
    EXPECT_EQ(access->state, 1);
    EXPECT_EQ(access->data[0], 0x41);
    EXPECT_EQ(access->data[55], 0x41 + 55);
  }
  auto calls = rec_->Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1].Names(), (Strings{"handle", "zero", "cell", "value1", "value2"}));
  EXPECT_EQ(calls[1].Values(), (Strings{"9", "0", "34", "12", "34"}));  // the cell holds value 2 on entry
}

TEST_F(ExchAdapter, NegativeModuleAnswersRaiseTheirOwnTexts) {
  struct Row {
    const char* entry;
    long long answer;
    std::string error;
    bool opened;
  };
  const std::vector<Row> rows = {
      {"exch_raw_bck_opensubstream", -1, "Internal error.", false},
      {"exch_raw_bck_opensubstream", 0, "", false},
      {"exch_raw_bck_opensubstream", 2, "", true},
      {"exch_raw_bck_read", -5, "Internal Error.", false},
      {"exch_raw_bck_read", 0, "", false},
  };
  for (const auto& row : rows) {
    rec_->SetResult(row.entry, row.answer);
    bool opened = false;
    std::string error = PluginError([&] {
      if (std::strcmp(row.entry, "exch_raw_bck_read") == 0) {
        backup_->readObjectData(1, 2, 3, 4);
      } else {
        opened = backup_->openSubstream(7, 8);
      }
    });
    EXPECT_EQ(error, row.error) << row.entry << " " << row.answer;
    EXPECT_EQ(opened, row.opened) << row.entry << " " << row.answer;
  }
  auto calls = rec_->Calls();
  EXPECT_EQ(calls[0].Values(), (Strings{"0", "8"}));
  EXPECT_EQ(calls[3].Values(), (Strings{"0", "1", "2", "3", "4"}));
}

TEST_F(ExchAdapter, DiskErrorAndQueryPassTheModulesAnswers) {
  for (auto [answer, expected] : {std::pair{0LL, false}, {1LL, true}, {-3LL, false}}) {
    rec_->SetResult("exch_raw_dsk_error", answer);
    EXPECT_EQ(backup_->hasDiskError(), expected) << answer;
  }

  rec_->SetQueryText("EXCH 6.5 SP4");
  rec_->SetResult("exch_dispatch", 7);
  char buffer[64] = "";
  std::int32_t length = -1;
  EXPECT_EQ(backup_->queryModule(123, buffer, &length), 7);
  EXPECT_STREQ(buffer, "EXCH 6.5 SP4");
  EXPECT_EQ(length, 13);
  const Call query = rec_->Calls().back();
  EXPECT_EQ(query.Values(),
            (Strings{"2", "123", std::to_string(reinterpret_cast<std::intptr_t>(buffer)), "0", "0", "0"}));
}

TEST_F(ExchAdapter, LogCollectionReadsTheCountBeforeEachElementAndClearsAfterwards) {
  rec_->AddLogError(86, 4099, "first");
  rec_->AddLogError(86, 4099, "second");
  rec_->SetLogGrowth(2);  // two more appear while the list is read
  LogCapture log;
  backup_->reportModuleLog();

  Strings lines = log.Lines();
  ASSERT_EQ(lines.size(), 4u);
  const Strings texts = {"first", "second", "grown 0", "grown 1"};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_NE(lines[i].find(texts[i]), std::string::npos) << lines[i];
  }
  auto calls = rec_->Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Values(), Strings{"0"});
  EXPECT_EQ(calls[1].name, "exch_clear_log_objects");
  EXPECT_EQ(calls[1].Values(), Strings{"0"});

  // A module that answers 0, or no list, is not asked to clear.
  rec_->Reset();
  rec_->SetResult("exch_get_log_objects", 0);
  rec_->AddLogError(86, 4099, "unread");
  backup_->reportModuleLog();
  rec_->Reset();
  backup_->reportModuleLog();
  EXPECT_EQ(rec_->CallNames(), Strings{"exch_get_log_objects"});
}

TEST_F(ExchAdapter, BackupOptionsComeFromTheJobConfiguration) {
  const std::string longServer(600, 's');
  struct Row {
    Strings files;
    Strings values;  // type, delete logs, server
    std::string error;
  };
  const std::vector<Row> rows = {
      {{"Backup.EXCH_Backup_Type = incr\n"}, {"1", "1", ""}, ""},
      {{"Backup.EXCH_Backup_Type = F\nBackup.EXCH_Del_Log = no\n", "Backup.EXCH_Server_Name = EXSRV1\n"},
       {"0", "0", "EXSRV1"},
       ""},
      {{"Backup.EXCH_Backup_Type = Full\nBackup.EXCH_Server_Name = " + longServer + "\n"},
       {"0", "1", longServer},
       ""},
      {{"Backup.EXCH_Del_Log = no\n"}, {}, "A value is required for Backup.EXCH_Backup_Type."},
      {{"Backup.EXCH_Backup_Type = x\n"},
       {},
       "Backup.EXCH_Backup_Type was specified with an invalid value 'x'."},
  };
  for (const auto& row : rows) {
    rec_->Reset();
    Configuration config(row.files);
    std::int32_t answer = 0;
    EXPECT_EQ(ValueError([&] { answer = backup_->applyOptions(nullptr); }), row.error);
    if (!row.error.empty()) {
      EXPECT_TRUE(rec_->Calls().empty());
      continue;
    }
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(rec_->Calls().size(), 1u);
    EXPECT_EQ(rec_->Calls()[0].Values(), row.values) << row.files[0];
  }
}

TEST_F(ExchAdapter, RestoreOptionsDropOneTrailingBackslashOfTheLogLocation) {
  struct Row {
    std::string file;
    Strings values;  // roll forward, hard recovery, log location, server
  };
  const std::vector<Row> rows = {
      {"", {"1", "1", "", ""}},
      {"Restore.EXCH_Log_Alt_Location = D:\\logs\\\n", {"1", "1", "D:\\logs", ""}},
      {"Restore.EXCH_Log_Alt_Location = D:\\logs\\\\\n", {"1", "1", "D:\\logs\\", ""}},
      {"Restore.EXCH_Log_Alt_Location = \\\nRestore.EXCH_Roll_Forward = no\nRestore.EXCH_Hard_Recovery = 0\n"
       "Restore.EXCH_Server_Name = EXSRV2\n",
       {"0", "0", "", "EXSRV2"}},
  };
  for (const auto& row : rows) {
    rec_->Reset();
    Configuration config({row.file});
    EXPECT_EQ(restore_->applyOptions(nullptr), 1);
    ASSERT_EQ(rec_->Calls().size(), 1u);
    EXPECT_EQ(rec_->Calls()[0].Names(),
              (Strings{"roll_forward", "hard_recovery", "log_location", "server_name"}));
    EXPECT_EQ(rec_->Calls()[0].Values(), row.values) << row.file;
  }
}

char* Text(const char* s) {
  char* p = static_cast<char*>(std::malloc(std::strlen(s) + 1));
  std::strcpy(p, s);
  return p;
}

TEST_F(ExchAdapter, ReleaseNameListFreesTheCountedTextsThenTheArrayAndTheRecord) {
  // Each block freed, in order; in the sanitizer build, what is not freed shows as a leak and what is
  // freed wrongly as a crash.
  auto* list = new NameList{static_cast<char**>(std::malloc(3 * sizeof(char*))), 3};
  list->names[0] = Text("a");
  list->names[1] = Text("b");
  list->names[2] = Text("c");
  const std::vector<const void*> blocks = {list->names[0], list->names[1], list->names[2], list->names, list};
  plugtest::StartCountingFrees();
  backup_->releaseNameList(list);
  const std::vector<const void*> freed = plugtest::StopCountingFrees();
  if (plugtest::kCountsFrees) {
    EXPECT_EQ(freed, blocks);
  }

  // A negative count frees no text: these addresses are not the heap's.
  static char notHeap[2][4] = {"x", "y"};
  auto* negative = new NameList{static_cast<char**>(std::malloc(2 * sizeof(char*))), -2};
  negative->names[0] = notHeap[0];
  negative->names[1] = notHeap[1];
  const std::vector<const void*> own = {negative->names, negative};
  plugtest::StartCountingFrees();
  backup_->releaseNameList(negative);
  backup_->releaseNameList(nullptr);
  const std::vector<const void*> freedOwn = plugtest::StopCountingFrees();
  if (plugtest::kCountsFrees) {
    EXPECT_EQ(freedOwn, own);
  }
}

// Without a module, or with entry points missing, every operation answers its fixed default.
TEST(ExchAdapterWithoutModule, AbsentEntryPointsAnswerTheirDefaults) {
  struct Case {
    const char* module;  // null: none loaded
    bool diskError;
    std::int32_t query;
    Strings logTraces;
  };
  const std::vector<Case> cases = {
      {nullptr, true, -1, {Trace("exch_get_log_objects")}},
      {LUMENRT_PLUG_PARTIAL_MODULE,
       true,
       1,
       {Trace("exch_get_log_objects"), Trace("exch_clear_log_objects")}},
  };
  for (const auto& c : cases) {
    Plugins::IFactory* factory =
        c.module != nullptr ? lumenrt::LoadPluginModule(0, c.module) : lumenrt::BuiltInFactory(0);
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<Recording> rec;
    if (c.module != nullptr) {
      rec = std::make_unique<Recording>(c.module);
      rec->Reset();
      rec->SetResult("exch_raw_bck_access", 0);
      rec->SetResult("exch_raw_bck_opensubstream", 0);
      rec->AddLogError(86, 4099, "partial");
    }
    Plugins::IBackup* backup = factory->createBackup();
    LogCapture log;
    TraceCapture trace;
    void* cell = nullptr;
    EXPECT_EQ(backup->hasDiskError(), c.diskError);
    EXPECT_FALSE(backup->findNextObject(true, 1, 2, 3, &cell));  // search answers 0 (module: as told)
    EXPECT_NE(cell, nullptr);
    void* untouched = &cell;
    backup->openObject(&untouched, 1, 2);
    EXPECT_EQ(untouched, static_cast<void*>(&cell));
    EXPECT_FALSE(backup->openSubstream(0, 1));
    backup->readObjectData(1, 2, 3, 4);  // no answer is not a failure
    char buffer[8] = "";
    std::int32_t length = 0;
    EXPECT_EQ(backup->queryModule(0, buffer, &length), c.query);
    {
      Configuration config({"Backup.EXCH_Backup_Type = Full\n"});
      EXPECT_EQ(backup->applyOptions(nullptr), 1);
    }
    trace.Clear();
    backup->reportModuleLog();
    EXPECT_EQ(trace.Lines(), c.logTraces);
    factory->releaseBackup(backup);
    if (c.module != nullptr) {
      rec.reset();
      lumenrt::UnloadPluginModule(0);
    }
  }
}

}  // namespace
