// ExchBackupImpl: the backup object of the Exchange database adapter.
//
// Its operations call the database module through the forwarders of exch_forwarders.h with the
// handle that the last object search answered:
//   findNextObject  resets the process's SidfObjectRecord (exch_records.h), searches with
//                   exch_raw_sidf_search (handle 0 after a restart), stores the record's address in
//                   *result and answers whether the new handle is not 0;
//   openObject      calls exch_raw_bck_access; when it answers non-zero with an answer address, copies
//                   56 bytes of the answer into the process's RawAccessRecord, marks it accessed and
//                   stores its address in *result; otherwise *result is left unchanged;
//   openSubstream   exch_raw_bck_opensubstream: a negative answer raises "Internal error.";
//   readObjectData  exch_raw_bck_read: a negative answer raises "Internal Error.";
//   hasDiskError    whether exch_raw_dsk_error answers above 0;
//   queryModule     exch_dispatch request 2 with (value, buffer, 0, 0, 0); *length receives the
//                   length of the text left in buffer plus one; answers the dispatch result;
//   releaseNameList frees a NameList (name_list.h);
//   applyOptions    reads Backup.EXCH_Backup_Type (required, /Full/Incr), Backup.EXCH_Del_Log
//                   (default yes) and Backup.EXCH_Server_Name (whole value, empty when absent) and
//                   calls exch_set_backup_options; the job record is not read. Answers 1.
//   reportModuleLog reports the module's log errors (CollectExchLogObjects with context 0).
// Failure: PluginException code 1 as above; a missing, ambiguous or invalid backup type raises the
// configuration-value ZError (heap pointer, catcher owns it) of cfg_raise_required, _ambiguous or
// _invalid. Threads: the process records are shared by all objects; one thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT ExchBackupImpl : public lumenrt::BackupAdapter {
 public:
  void releaseNameList(NameList* list) override;
  bool findNextObject(bool restart, Plugins::Word value1, Plugins::Word value2, Plugins::Word unused,
                      void** result) override;
  void openObject(void** result, Plugins::Word value1, Plugins::Word value2) override;
  bool openSubstream(Plugins::Word unused, Plugins::Word value) override;
  void readObjectData(Plugins::Word a, Plugins::Word b, Plugins::Word c, Plugins::Word d) override;
  bool hasDiskError() override;
  std::int32_t applyOptions(JobSettings* job) override;
  std::int32_t queryModule(Plugins::Word value, char* buffer, std::int32_t* length) override;
  void reportModuleLog() override;

  std::int32_t handle() const { return handle_; }

 private:
  std::int32_t handle_ = 0;
};
