// MapiRestoreImpl: the restore object of the Exchange mailbox adapter.
//
// applyOptions(job) reads the restore flags 2033 to 2037 and 2039 to 2041 (default no; 2038,
// Restore.EXCHMAPI_Excl_Pfolder_Newsgroup, is never read), the server name from the backup key
// Backup.EXCHMAPI_Server_Name (Restore.EXCHMAPI_Server_Name is never read) and
// Restore.EXCHMAPI_Restore_Folder, and the choices Restore.EXCHMAPI_Restore_To
// (/Original/New/PST/Files) and Restore.EXCHMAPI_Resolve (/Skip/New/Override/Ask) as the word's
// position counted from 0, or 0 when absent. It then takes the mode flag, finds the plug-in section,
// reads profile, account, domain and password, writes the last three into the job record, and calls
// mapi_set_restore_options with its 14 arguments (server, profile, mode, 2033 to 2037, 2039 to 2041,
// folder, restore target, resolution). Without the entry point the call is skipped. Answers 1.
//
// Failure: an ambiguous or invalid choice raises the configuration-value ZError (heap pointer) of
// cfg_raise_ambiguous or cfg_raise_invalid, before the section search; PluginException code 1 as for
// MapiBackupImpl (null job, section missing or doubled, a text too long for its field), in each case
// with the job record unwritten and the module not called.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT MapiRestoreImpl : public lumenrt::RestoreAdapter {
 public:
  std::int32_t applyOptions(JobSettings* job) override;
};
