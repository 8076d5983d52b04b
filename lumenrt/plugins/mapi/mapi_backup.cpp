#include "lumenrt/plugins/mapi/mapi_backup.h"

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/internal/config_keys.h"
#include "lumenrt/plugins/internal/plugin_sections.h"
#include "lumenrt/plugins/mapi/internal/mapi_job_texts.h"
#include "lumenrt/plugins/mapi/mapi_entry_table.h"
#include "lumenrt/plugins/module_call.h"

namespace {

constexpr const char kClassName[] = "MapiBackupImpl";
constexpr std::int32_t kFirstExclKey = 1041;  // Backup.EXCHMAPI_Excl_Mbx_Attachments
constexpr int kExclKeys = 15;                 // 1041 to 1055

}  // namespace

std::int32_t MapiBackupImpl::applyOptions(JobSettings* job) {
  lumenrt::RequireJob(job, kClassName);
  job_ = job;

  std::int32_t excl[kExclKeys];
  for (int i = 0; i < kExclKeys; ++i) excl[i] = cfg_get_bool(kFirstExclKey + i, 0);
  auto x = [&excl](int key) { return excl[key - kFirstExclKey]; };

  ZString server;
  cfg_get_string(lumenrt::kMapiServerKey, server);
  std::int32_t mode = lumenrt::MapiModeFlag(*job);
  int n = lumenrt::FindMapiPluginSection();

  std::int32_t retry = 0;
  if (cfg_get_number(lumenrt::kPluginGetPropRetryKey + n, retry) <= 0) retry = -1;
  lumenrt::MapiSectionTexts texts = lumenrt::ReadMapiSectionTexts(n, kClassName);
  lumenrt::WriteMapiJobTexts(texts, *job);

  auto fn =
      reinterpret_cast<lumenrt::MapiSetBackupOptionsFn>(MapiEntryTable.slots[lumenrt::kMapiSetBackupOptions]);
  if (fn != nullptr) {
    lumenrt::CallIntoModule("mapi_set_backup_options", [&] {
      return fn(server.c_str(), texts.profile.c_str(), mode, x(1045), x(1046), x(1047), x(1041), x(1042),
                x(1043), x(1044), x(1048), x(1049), x(1050), x(1051), x(1052), x(1053), x(1054), x(1055),
                retry);
    });
  }
  return 1;
}
