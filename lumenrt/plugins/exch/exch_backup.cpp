#include "lumenrt/plugins/exch/exch_backup.h"

#include <cstdlib>
#include <cstring>

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/exch/exch_records.h"
#include "lumenrt/plugins/exch/internal/exch_forwarders.h"
#include "lumenrt/plugins/exch/internal/exch_shared_records.h"
#include "lumenrt/plugins/internal/config_keys.h"
#include "lumenrt/plugins/plugin_exception.h"

using lumenrt::kPluginErrorCode;

void ExchBackupImpl::releaseNameList(NameList* list) {
  if (list == nullptr) return;
  if (list->names != nullptr) {
    for (std::int32_t i = 0; i < list->count; ++i) std::free(list->names[i]);
  }
  std::free(list->names);
  delete list;
}

bool ExchBackupImpl::findNextObject(bool restart, Plugins::Word value1, Plugins::Word value2,
                                    Plugins::Word /*unused*/, void** result) {
  SidfObjectRecord* record = lumenrt::ExchSidfRecord();
  if (restart) handle_ = 0;
  lumenrt::ResetSidfObjectRecord(*record);
  handle_ = lumenrt::ForwardExchRawSidfSearch(0, handle_, value1, value2, record);
  if (result != nullptr) *result = record;
  return handle_ != 0;
}

void ExchBackupImpl::openObject(void** result, Plugins::Word value1, Plugins::Word value2) {
  RawAccessRecord* record = lumenrt::ExchRawAccessRecord();
  std::intptr_t cell = value2;
  if (lumenrt::ForwardExchRawBckAccess(handle_, 0, &cell, value1, value2) == 0) return;
  // A module that answers success without an answer address is treated as having answered 0.
  const auto* answer = reinterpret_cast<const unsigned char*>(cell);
  if (answer == nullptr) return;
  record->state = 1;
  std::memcpy(record->data, answer, sizeof record->data);
  if (result != nullptr) *result = record;
}

bool ExchBackupImpl::openSubstream(Plugins::Word /*unused*/, Plugins::Word value) {
  std::int32_t r = lumenrt::ForwardExchRawBckOpenSubstream(handle_, value);
  if (r < 0) throw Plugins::PluginException("Internal error.", kPluginErrorCode);
  return r > 0;
}

void ExchBackupImpl::readObjectData(Plugins::Word a, Plugins::Word b, Plugins::Word c, Plugins::Word d) {
  if (lumenrt::ForwardExchRawBckRead(handle_, a, b, c, d) < 0) {
    throw Plugins::PluginException("Internal Error.", kPluginErrorCode);
  }
}

bool ExchBackupImpl::hasDiskError() { return lumenrt::ForwardExchRawDskError(handle_) > 0; }

std::int32_t ExchBackupImpl::applyOptions(JobSettings* /*job*/) {
  std::int32_t backupType = -1;
  int found = cfg_get_choice(lumenrt::kExchBackupTypeKey, backupType);
  if (found == 0) cfg_raise_required();
  if (found == -2) cfg_raise_ambiguous();
  if (found < 0) cfg_raise_invalid();

  std::int32_t deleteLogs = cfg_get_bool(lumenrt::kExchDelLogKey, 1);
  ZString server;
  cfg_get_string(lumenrt::kExchBackupServerKey, server);

  lumenrt::ForwardExchSetBackupOptions(backupType, deleteLogs, server.c_str());
  return 1;
}

std::int32_t ExchBackupImpl::queryModule(Plugins::Word value, char* buffer, std::int32_t* length) {
  std::int32_t r = lumenrt::ForwardExchDispatch(lumenrt::kExchQueryRequest, value,
                                                reinterpret_cast<Plugins::Word>(buffer), 0, 0, 0);
  if (length != nullptr && buffer != nullptr) *length = static_cast<std::int32_t>(std::strlen(buffer)) + 1;
  return r;
}

void ExchBackupImpl::reportModuleLog() { lumenrt::CollectExchLogObjects(0); }
