// The mailbox adapter driven through a loaded recording module and the Plugins interfaces, with the
// job configuration and a Global.qxc-style file loaded into real sources.
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/core/zerror.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/irestore.h"
#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "plug_support.h"

namespace {

using plugtest::Configuration;
using plugtest::MapiSection;
using plugtest::Recording;
using Strings = std::vector<std::string>;

// The outcome of one applyOptions call: "" or the text of what it raised.
std::string Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (ZError* e) {
    std::string text = e->text.c_str();
    delete e;
    return text;
  } catch (const Plugins::PluginException& e) {
    EXPECT_EQ(e.code, 1);
    return e.message;
  }
  return "";
}

std::unique_ptr<JobSettings> FreshJob(std::uint8_t flags = 0) {
  auto job = std::make_unique<JobSettings>();
  std::memset(job.get(), 0x5A, sizeof(JobSettings));  // the agent's bytes
  job->flags = flags;
  return job;
}

class MapiAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    factory_ = lumenrt::LoadPluginModule(1, LUMENRT_PLUG_MAPI_MODULE);
    ASSERT_NE(factory_, nullptr);
    rec_ = std::make_unique<Recording>(LUMENRT_PLUG_MAPI_MODULE);
    rec_->Reset();
    backup_ = factory_->createBackup();
    restore_ = factory_->createRestore();
  }
  void TearDown() override {
    factory_->releaseBackup(backup_);
    factory_->releaseRestore2(restore_);
    rec_.reset();
    lumenrt::UnloadPluginModule(1);
  }

  Plugins::IFactory* factory_ = nullptr;
  std::unique_ptr<Recording> rec_;
  Plugins::IBackup* backup_ = nullptr;
  Plugins::IRestore2* restore_ = nullptr;
};

// Every backup flag set to a distinct pattern shows where each one lands.
TEST_F(MapiAdapter, BackupCallPassesNineteenArgumentsInTheModulesOrder) {
  Configuration config({
      "Backup.EXCHMAPI_Server_Name = MBXSRV\n"
      "Backup.EXCHMAPI_Excl_Mbx_Outbox = yes\n"           // 4
      "Backup.EXCHMAPI_Excl_Mbx_Sentmail = no\n"          // 5
      "Backup.EXCHMAPI_Excl_Mbx_Wastebasket = 1\n"        // 6
      "Backup.EXCHMAPI_Excl_Mbx_Attachments = 0\n"        // 7
      "Backup.EXCHMAPI_Excl_Mbx_Calendar = true\n"        // 8
      "Backup.EXCHMAPI_Excl_Mbx_Note = false\n"           // 9
      "Backup.EXCHMAPI_Excl_Mbx_Tasks = y\n"              // 10
      "Backup.EXCHMAPI_Excl_Mbx_Journal = n\n"            // 11
      "Backup.EXCHMAPI_Excl_Mbx_Contact = yes\n"          // 12
      "Backup.EXCHMAPI_Excl_Pfolder_Calendar = no\n"      // 13
      "Backup.EXCHMAPI_Excl_Pfolder_Note = yes\n"         // 14
      "Backup.EXCHMAPI_Excl_Pfolder_Tasks = no\n"         // 15
      "Backup.EXCHMAPI_Excl_Pfolder_Attachments = yes\n"  // 16
      "Backup.EXCHMAPI_Excl_Pfolder_Journal = no\n"       // 17
      "Backup.EXCHMAPI_Excl_Pfolder_Contact = yes\n",     // 18
      MapiSection(2,
                  "Plugin2.Profile = Outlook\nPlugin2.Get_Prop_Retry = 12\nPlugin2.Account = backup\n"
                  "Plugin2.Password = s3cret\nPlugin2.Domain = CORP\n"),
  });
  auto job = FreshJob();
  EXPECT_EQ(backup_->applyOptions(job.get()), 1);
  auto calls = rec_->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "mapi_set_backup_options");
  EXPECT_EQ(calls[0].Values(), (Strings{"MBXSRV", "Outlook", "1", "1", "0", "1", "0", "1", "0", "1", "0", "1",
                                        "0", "1", "0", "1", "0", "1", "12"}));
  EXPECT_STREQ(job->account, "backup");
  EXPECT_STREQ(job->password, "s3cret");
  EXPECT_STREQ(job->domain, "CORP");
  EXPECT_EQ(job->agentData1[0], 0x5A);
  EXPECT_EQ(job->agentData2[0], 0x5A);
}

// One exclusion key at a time set, all others absent: its 1 must land at its own position and
// nowhere else, so two keys swapped (whatever their distance) cannot go unnoticed.
TEST_F(MapiAdapter, EachExclusionKeyReachesItsOwnArgumentPosition) {
  const struct {
    const char* key;
    size_t position;  // 1-based, in mapi_set_backup_options or mapi_set_restore_options
  } rows[] = {
      {"Backup.EXCHMAPI_Excl_Mbx_Outbox", 4},
      {"Backup.EXCHMAPI_Excl_Mbx_Sentmail", 5},
      {"Backup.EXCHMAPI_Excl_Mbx_Wastebasket", 6},
      {"Backup.EXCHMAPI_Excl_Mbx_Attachments", 7},
      {"Backup.EXCHMAPI_Excl_Mbx_Calendar", 8},
      {"Backup.EXCHMAPI_Excl_Mbx_Note", 9},
      {"Backup.EXCHMAPI_Excl_Mbx_Tasks", 10},
      {"Backup.EXCHMAPI_Excl_Mbx_Journal", 11},
      {"Backup.EXCHMAPI_Excl_Mbx_Contact", 12},
      {"Backup.EXCHMAPI_Excl_Pfolder_Calendar", 13},
      {"Backup.EXCHMAPI_Excl_Pfolder_Note", 14},
      {"Backup.EXCHMAPI_Excl_Pfolder_Tasks", 15},
      {"Backup.EXCHMAPI_Excl_Pfolder_Attachments", 16},
      {"Backup.EXCHMAPI_Excl_Pfolder_Journal", 17},
      {"Backup.EXCHMAPI_Excl_Pfolder_Contact", 18},
      {"Restore.EXCHMAPI_Excl_Mbx_Outbox", 4},
      {"Restore.EXCHMAPI_Excl_Mbx_Sentmail", 5},
      {"Restore.EXCHMAPI_Excl_Mbx_Wastebasket", 6},
      {"Restore.EXCHMAPI_Excl_Mbx_Attachments", 7},
      {"Restore.EXCHMAPI_Excl_Pfolder_Calendar", 8},
      {"Restore.EXCHMAPI_Excl_Pfolder_Note", 9},
      {"Restore.EXCHMAPI_Excl_Pfolder_Tasks", 10},
      {"Restore.EXCHMAPI_Excl_Pfolder_Attachments", 11},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key);
    const bool restore = std::string(row.key).rfind("Restore.", 0) == 0;
    Configuration config({std::string(row.key) + " = yes\n", MapiSection(0)});
    rec_->Reset();
    auto job = FreshJob();
    EXPECT_EQ(restore ? restore_->applyOptions(job.get()) : backup_->applyOptions(job.get()), 1);
    // Server, profile, mode flag 1, the exclusions, then the retry count -1 or folder, target, resolution.
    Strings expected = {"", "", "1"};
    expected.insert(expected.end(), restore ? 8 : 15, "0");
    if (restore) {
      expected.insert(expected.end(), {"", "0", "0"});
    } else {
      expected.push_back("-1");
    }
    expected[row.position - 1] = "1";
    ASSERT_EQ(rec_->Calls().size(), 1u);
    EXPECT_EQ(rec_->Calls()[0].Values(), expected);
  }
}

TEST_F(MapiAdapter, BackupWithNothingSetGivesEmptyTextsZerosAndNoRetryCount) {
  Configuration config({"", MapiSection(0)});
  auto job = FreshJob();
  EXPECT_EQ(backup_->applyOptions(job.get()), 1);
  Strings expected = {"", "", "1"};
  expected.insert(expected.end(), 15, "0");
  expected.push_back("-1");
  ASSERT_EQ(rec_->Calls().size(), 1u);
  EXPECT_EQ(rec_->Calls()[0].Values(), expected);
  EXPECT_STREQ(job->account, "");
  EXPECT_STREQ(job->password, "");
  EXPECT_STREQ(job->domain, "");
}

TEST_F(MapiAdapter, ModeFlagIsZeroWhenEitherLowBitOfTheJobFlagsIsSet) {
  Configuration config({MapiSection(4)});
  for (auto [flags, mode] : {std::pair{0, "1"}, {1, "0"}, {2, "0"}, {3, "0"}, {4, "1"}, {0xFC, "1"}}) {
    rec_->Reset();
    auto job = FreshJob(static_cast<std::uint8_t>(flags));
    backup_->applyOptions(job.get());
    restore_->applyOptions(job.get());
    auto calls = rec_->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Values()[2], mode) << "backup, flags " << flags;
    EXPECT_EQ(calls[1].Values()[2], mode) << "restore, flags " << flags;
  }
}

TEST_F(MapiAdapter, RestoreCallPassesFourteenArgumentsAndNeverReadsTheSkippedKeys) {
  Configuration config({
      "Backup.EXCHMAPI_Server_Name = BACKUPSRV\n"
      "Restore.EXCHMAPI_Server_Name = IGNORED\n"
      "Restore.EXCHMAPI_Excl_Mbx_Outbox = yes\n"           // 4
      "Restore.EXCHMAPI_Excl_Mbx_Sentmail = no\n"          // 5
      "Restore.EXCHMAPI_Excl_Mbx_Wastebasket = yes\n"      // 6
      "Restore.EXCHMAPI_Excl_Mbx_Attachments = no\n"       // 7
      "Restore.EXCHMAPI_Excl_Pfolder_Calendar = yes\n"     // 8
      "Restore.EXCHMAPI_Excl_Pfolder_Newsgroup = maybe\n"  // never read
      "Restore.EXCHMAPI_Excl_Pfolder_Note = no\n"          // 9
      "Restore.EXCHMAPI_Excl_Pfolder_Tasks = yes\n"        // 10
      "Restore.EXCHMAPI_Excl_Pfolder_Attachments = no\n"   // 11
      "Restore.EXCHMAPI_Restore_Folder = Recovered Items\n"
      "Restore.EXCHMAPI_Restore_To = pst\n"
      "Restore.EXCHMAPI_Resolve = ask\n",
      MapiSection(1, "Plugin1.Profile = P1\nPlugin1.Account = acc\n"),
  });
  auto job = FreshJob();
  EXPECT_EQ(restore_->applyOptions(job.get()), 1);
  auto calls = rec_->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "mapi_set_restore_options");
  EXPECT_EQ(calls[0].Values(), (Strings{"BACKUPSRV", "P1", "1", "1", "0", "1", "0", "1", "0", "1", "0",
                                        "Recovered Items", "2", "3"}));
  EXPECT_STREQ(job->account, "acc");
}

TEST_F(MapiAdapter, RestoreChoicesAbsentGiveZeroAndBadOnesAreRaisedBeforeTheSectionSearch) {
  struct Row {
    std::string choices;
    bool section;
    std::string outcome;  // "" or the text raised
    Strings last;         // restore target, resolution
  };
  const std::vector<Row> rows = {
      {"", true, "", {"0", "0"}},
      {"Restore.EXCHMAPI_Restore_To = Files\n", true, "", {"3", "0"}},
      {"Restore.EXCHMAPI_Resolve = n\n", true, "", {"0", "1"}},
      {"Restore.EXCHMAPI_Restore_To = bogus\n",
       false,
       "Restore.EXCHMAPI_Restore_To was specified with an invalid value 'bogus'.",
       {}},
      {"Restore.EXCHMAPI_Resolve = xyz\n",
       false,
       "Restore.EXCHMAPI_Resolve was specified with an invalid value 'xyz'.",
       {}},
      {"Restore.EXCHMAPI_Restore_To = \n",
       false,
       "Restore.EXCHMAPI_Restore_To was specified with an invalid value ''.",
       {}},
      {"", false, "ExchangeMAPI plug-in section is missing in Global.qxc file", {}},
  };
  for (const auto& row : rows) {
    rec_->Reset();
    Configuration config({row.choices, row.section ? MapiSection(3) : std::string()});
    auto job = FreshJob();
    EXPECT_EQ(Raised([&] { restore_->applyOptions(job.get()); }), row.outcome) << row.choices;
    if (!row.outcome.empty()) {
      EXPECT_TRUE(rec_->Calls().empty());
      EXPECT_EQ(job->account[0], 0x5A);  // nothing written
      continue;
    }
    ASSERT_EQ(rec_->Calls().size(), 1u);
    Strings values = rec_->Calls()[0].Values();
    EXPECT_EQ(Strings(values.end() - 2, values.end()), row.last) << row.choices;
  }
}

TEST_F(MapiAdapter, ProblemsOfTheJobOrItsTextsStopBeforeAnythingIsWrittenOrCalled) {
  const std::string long513(513, 'a');
  struct Row {
    Strings files;
    bool nullJob;
    std::string error;
  };
  const std::vector<Row> rows = {
      {{MapiSection(0)}, true, "Mapi#Impl.applyOptions: no JobSettings record."},
      {{MapiSection(0, "Plugin0.Account = " + long513 + "\n")},
       false,
       "Mapi#Impl.applyOptions: the value of Plugin0.Account is longer than 512 characters."},
      {{MapiSection(1, "Plugin1.Domain = " + long513 + "\n")},
       false,
       "Mapi#Impl.applyOptions: the value of Plugin1.Domain is longer than 512 characters."},
      {{MapiSection(2, "Plugin2.Password = " + long513 + "\nPlugin2.Account = fits\n")},
       false,
       "Mapi#Impl.applyOptions: the value of Plugin2.Password is longer than 512 characters."},
      {{MapiSection(0), MapiSection(3)},
       false,
       "ambiguous ExchangeMAPI plug-ins sections detected in Global.qxc file"},
      {{"#Plugin2\nPlugin2.Code = exchmapi\n"},
       false,
       "ExchangeMAPI plug-in section is missing in Global.qxc file"},
  };
  for (const auto& row : rows) {
    Configuration config(row.files);
    for (const char* which : {"Backup", "Restore"}) {
      rec_->Reset();
      auto job = FreshJob();
      JobSettings* given = row.nullJob ? nullptr : job.get();
      std::string raised = Raised([&] {
        if (which[0] == 'B') {
          backup_->applyOptions(given);
        } else {
          restore_->applyOptions(given);
        }
      });
      std::string expected = row.error;
      if (auto hash = expected.find('#'); hash != std::string::npos) expected.replace(hash, 1, which);
      EXPECT_EQ(raised, expected);
      EXPECT_TRUE(rec_->Calls().empty()) << expected;
      EXPECT_EQ(job->account[0], 0x5A) << expected;
      EXPECT_EQ(job->password[0], 0x5A) << expected;
      EXPECT_EQ(job->domain[0], 0x5A) << expected;
    }
  }
}

TEST_F(MapiAdapter, TextsOf512CharactersFillTheirFieldsAndLongServerNamesReachTheModuleWhole) {
  const std::string s512(512, 'p'), longServer(700, 'v');
  Configuration config({"Backup.EXCHMAPI_Server_Name = " + longServer + "\n",
                        MapiSection(0, "Plugin0.Account = " + s512 + "\nPlugin0.Domain = " + s512 +
                                           "\nPlugin0.Password = " + s512 + "\n")});
  auto job = FreshJob();
  EXPECT_EQ(backup_->applyOptions(job.get()), 1);
  EXPECT_EQ(std::string(job->account), s512);
  EXPECT_EQ(std::string(job->password), s512);
  EXPECT_EQ(std::string(job->domain), s512);
  EXPECT_EQ(job->agentData3[0], 0x5A);
  ASSERT_EQ(rec_->Calls().size(), 1u);
  EXPECT_EQ(rec_->Calls()[0].Values()[0], longServer);
}

TEST(MapiAdapterWithoutModule, ApplyOptionsStillWritesTheJobAndAnswersOne) {
  Plugins::IFactory* factory = lumenrt::BuiltInFactory(1);
  ASSERT_NE(factory, nullptr);
  Configuration config({MapiSection(0, "Plugin0.Account = a\nPlugin0.Domain = d\nPlugin0.Password = p\n")});
  Plugins::IBackup* backup = factory->createBackup();
  Plugins::IRestore2* restore = factory->createRestore();
  for (int i = 0; i < 2; ++i) {
    auto job = FreshJob();
    EXPECT_EQ(i == 0 ? backup->applyOptions(job.get()) : restore->applyOptions(job.get()), 1);
    EXPECT_STREQ(job->account, "a");
    EXPECT_STREQ(job->domain, "d");
    EXPECT_STREQ(job->password, "p");
  }
  factory->releaseBackup(backup);
  factory->releaseRestore2(restore);
}

}  // namespace
