// The example modules of examples/, loaded through the library as a host loads them and called
// through the plug-in interfaces.
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/irestore.h"
#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "plug_support.h"

namespace {

using plugtest::Configuration;
using plugtest::MapiSection;
using plugtest::TraceCapture;

// The mailbox example keeps the options the adapters hand it and traces a summary of them.
TEST(ExampleModules, MailboxModuleReceivesTheJobsOptions) {
  Configuration config({
      "Backup.EXCHMAPI_Server_Name = MBX\n"
      "Backup.EXCHMAPI_Excl_Mbx_Outbox = yes\n"
      "Backup.EXCHMAPI_Excl_Pfolder_Contact = yes\n"
      "Restore.EXCHMAPI_Excl_Mbx_Sentmail = yes\n",
      MapiSection(0, "Plugin0.Profile = Outlook\nPlugin0.Get_Prop_Retry = 3\n"),
  });
  Plugins::IFactory* factory = lumenrt::LoadPluginModule(1, LUMENRT_EXAMPLE_MAILBOX_MODULE);
  ASSERT_NE(factory, nullptr);
  const struct {
    bool restore;
    std::uint8_t flags;
    const char* trace;
  } cases[] = {
      {false, 0,
       "example mailbox module: backup on 'MBX' with profile 'Outlook', 2 exclusions, mode 1, retries 3\n"},
      {true, 1,
       "example mailbox module: restore on 'MBX' with profile 'Outlook', 1 exclusions, mode 0, retries -1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    auto job = std::make_unique<JobSettings>();
    std::memset(job.get(), 0, sizeof(JobSettings));
    job->flags = c.flags;
    TraceCapture trace;
    if (c.restore) {
      Plugins::IRestore2* restore = factory->createRestore();
      EXPECT_EQ(restore->applyOptions(job.get()), 1);
      factory->releaseRestore2(restore);
    } else {
      Plugins::IBackup* backup = factory->createBackup();
      EXPECT_EQ(backup->applyOptions(job.get()), 1);
      factory->releaseBackup(backup);
    }
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{c.trace});
  }
  EXPECT_TRUE(lumenrt::UnloadPluginModule(1));
}

}  // namespace
