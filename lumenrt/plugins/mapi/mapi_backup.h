// MapiBackupImpl: the backup object of the Exchange mailbox adapter.
//
// applyOptions(job) remembers the job, reads the fifteen Backup.EXCHMAPI_Excl_* flags (1041 to 1055,
// default no) and Backup.EXCHMAPI_Server_Name, takes the mode flag from the job's flags byte (0 when
// bit 0 or bit 1 is set, else 1), finds the module's plug-in section n of Global.qxc, reads its
// Plugin%.Get_Prop_Retry (-1 unless present), profile, account, domain and password, writes the last
// three into the job record, and calls mapi_set_backup_options with its 19 arguments in the module's
// order (server, profile, mode, the mailbox outbox, sent mail and wastebasket flags, then 1041 to
// 1044, 1048 to 1055, the retry count). Without the entry point the call is skipped. Answers 1.
// Texts are read at their full length.
//
// Failure: PluginException code 1 for a null job (nothing read or written), a missing or doubled
// plug-in section, or an account, domain or password longer than 512 characters; in each case the
// job record is not written and the module is not called. The other slots are BackupAdapter's.
// Threads: one thread at a time; the caller must not use the job record meanwhile.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT MapiBackupImpl : public lumenrt::BackupAdapter {
 public:
  std::int32_t applyOptions(JobSettings* job) override;

  JobSettings* lastJob() const { return job_; }

 private:
  std::int32_t unused_ = 0;
  JobSettings* job_ = nullptr;
};
