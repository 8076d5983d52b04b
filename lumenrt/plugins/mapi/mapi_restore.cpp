#include "lumenrt/plugins/mapi/mapi_restore.h"

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/internal/config_keys.h"
#include "lumenrt/plugins/internal/plugin_sections.h"
#include "lumenrt/plugins/mapi/internal/mapi_job_texts.h"
#include "lumenrt/plugins/mapi/mapi_entry_table.h"
#include "lumenrt/plugins/module_call.h"

namespace {

constexpr const char kClassName[] = "MapiRestoreImpl";
// Restore.EXCHMAPI_Excl_*: mailbox outbox, sent mail, wastebasket, attachments; public folder
// calendar, note, tasks, attachments. 2038 (newsgroups) is not one of them.
constexpr std::int32_t kExclKeys[] = {2033, 2034, 2035, 2036, 2037, 2039, 2040, 2041};

// A choice that may be absent: its position, or 0 when it has no value.
std::int32_t OptionalChoice(std::int32_t key) {
  std::int32_t index = -1;
  int found = cfg_get_choice(key, index);
  if (found > 0) return index;
  if (found == 0) return 0;
  if (found == -2) cfg_raise_ambiguous();
  cfg_raise_invalid();
}

}  // namespace

std::int32_t MapiRestoreImpl::applyOptions(JobSettings* job) {
  lumenrt::RequireJob(job, kClassName);

  std::int32_t excl[8];
  for (int i = 0; i < 8; ++i) excl[i] = cfg_get_bool(kExclKeys[i], 0);

  ZString server;
  cfg_get_string(lumenrt::kMapiServerKey, server);
  ZString folder;
  cfg_get_string(lumenrt::kMapiRestoreFolderKey, folder);
  std::int32_t restoreTo = OptionalChoice(lumenrt::kMapiRestoreToKey);
  std::int32_t resolve = OptionalChoice(lumenrt::kMapiResolveKey);

  std::int32_t mode = lumenrt::MapiModeFlag(*job);
  int n = lumenrt::FindMapiPluginSection();
  lumenrt::MapiSectionTexts texts = lumenrt::ReadMapiSectionTexts(n, kClassName);
  lumenrt::WriteMapiJobTexts(texts, *job);

  auto fn = reinterpret_cast<lumenrt::MapiSetRestoreOptionsFn>(
      MapiEntryTable.slots[lumenrt::kMapiSetRestoreOptions]);
  if (fn != nullptr) {
    lumenrt::CallIntoModule("mapi_set_restore_options", [&] {
      return fn(server.c_str(), texts.profile.c_str(), mode, excl[0], excl[1], excl[2], excl[3], excl[4],
                excl[5], excl[6], excl[7], folder.c_str(), restoreTo, resolve);
    });
  }
  return 1;
}
