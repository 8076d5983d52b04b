// ExchRestoreImpl: the restore object of the Exchange database adapter.
//
// applyOptions (the job record is not read) reads Restore.EXCH_Log_Alt_Location (one trailing
// backslash dropped), Restore.EXCH_Roll_Forward and Restore.EXCH_Hard_Recovery (each default yes)
// and Restore.EXCH_Server_Name, texts at their full length and empty when absent, then calls
// exch_set_restore_options (roll forward, hard recovery, log location, server). Answers 1.
// The other slots are RestoreAdapter's. Threads: one thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT ExchRestoreImpl : public lumenrt::RestoreAdapter {
 public:
  std::int32_t applyOptions(JobSettings* job) override;
};
