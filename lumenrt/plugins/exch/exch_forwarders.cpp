#include "lumenrt/plugins/exch/internal/exch_forwarders.h"

#include "lumenrt/core/zarray.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/debug_output.h"
#include "lumenrt/plugins/module_call.h"

namespace lumenrt {
namespace {

template <typename Fn>
Fn Entry(int slot) {
  return reinterpret_cast<Fn>(ExchEntryTable.slots[slot]);
}

}  // namespace

std::int32_t ForwardExchDispatch(std::int32_t request, Plugins::Word a, Plugins::Word b, Plugins::Word c,
                                 Plugins::Word d, Plugins::Word e) {
  WriteDebugOutput("interface: exch_dispatch\n");
  if (request == kExchLogRequest) return CollectExchLogObjects(0);
  auto fn = Entry<ExchDispatchFn>(kExchDispatch);
  return fn != nullptr ? CallIntoModule("exch_dispatch", [&] { return fn(request, a, b, c, d, e); }) : -1;
}

std::int32_t ForwardExchRawDskError(std::int32_t handle) {
  WriteDebugOutput("interface: exch_raw_dsk_error\n");
  auto fn = Entry<ExchRawDskErrorFn>(kExchRawDskError);
  return fn != nullptr ? CallIntoModule("exch_raw_dsk_error", [&] { return fn(handle); }) : 1;
}

std::int32_t ForwardExchRawSidfSearch(std::int32_t zero, std::int32_t handle, Plugins::Word value1,
                                      Plugins::Word value2, SidfObjectRecord* record) {
  WriteDebugOutput("interface: exch_raw_sidf_search\n");
  auto fn = Entry<ExchRawSidfSearchFn>(kExchRawSidfSearch);
  return fn != nullptr ? CallIntoModule("exch_raw_sidf_search",
                                        [&] { return fn(zero, handle, value1, value2, record); })
                       : 0;
}

std::int32_t ForwardExchRawBckAccess(std::int32_t handle, std::int32_t zero, std::intptr_t* cell,
                                     Plugins::Word value1, Plugins::Word value2) {
  WriteDebugOutput("interface: exch_raw_bck_access\n");
  auto fn = Entry<ExchRawBckAccessFn>(kExchRawBckAccess);
  return fn != nullptr
             ? CallIntoModule("exch_raw_bck_access", [&] { return fn(handle, zero, cell, value1, value2); })
             : 0;
}

std::int32_t ForwardExchRawBckOpenSubstream(std::int32_t handle, Plugins::Word value) {
  WriteDebugOutput("interface: exch_raw_bck_opensubstream\n");
  auto fn = Entry<ExchRawBckOpenSubstreamFn>(kExchRawBckOpenSubstream);
  return fn != nullptr ? CallIntoModule("exch_raw_bck_opensubstream", [&] { return fn(handle, value); }) : 0;
}

std::int32_t ForwardExchRawBckRead(std::int32_t handle, Plugins::Word a, Plugins::Word b, Plugins::Word c,
                                   Plugins::Word d) {
  WriteDebugOutput("interface: exch_raw_bck_read\n");
  auto fn = Entry<ExchRawBckReadFn>(kExchRawBckRead);
  return fn != nullptr ? CallIntoModule("exch_raw_bck_read", [&] { return fn(handle, a, b, c, d); }) : 0;
}

void ForwardExchSetBackupOptions(std::int32_t backupType, std::int32_t deleteLogs, const char* serverName) {
  WriteDebugOutput("interface: exch_set_backup_options\n");
  auto fn = Entry<ExchSetBackupOptionsFn>(kExchSetBackupOptions);
  if (fn != nullptr)
    CallIntoModule("exch_set_backup_options", [&] { return fn(backupType, deleteLogs, serverName); });
}

void ForwardExchSetRestoreOptions(std::int32_t rollForward, std::int32_t hardRecovery,
                                  const char* logLocation, const char* serverName) {
  WriteDebugOutput("interface: exch_set_restore_options\n");
  auto fn = Entry<ExchSetRestoreOptionsFn>(kExchSetRestoreOptions);
  if (fn != nullptr) {
    CallIntoModule("exch_set_restore_options",
                   [&] { return fn(rollForward, hardRecovery, logLocation, serverName); });
  }
}

std::int32_t CollectExchLogObjects(Plugins::Word context) {
  WriteDebugOutput("interface: exch_get_log_objects\n");
  auto get = Entry<ExchGetLogObjectsFn>(kExchGetLogObjects);
  if (get == nullptr) return 1;
  ZArray* list = nullptr;
  if (CallIntoModule("exch_get_log_objects", [&] { return get(context, &list); }) == 0 || list == nullptr)
    return 1;

  // The count is read again before each element: reporting may make the module add to its list.
  for (int i = 0; i < list->Count(); ++i) {
    const auto* error = dynamic_cast<const ZError*>(list->GetAt(i));
    if (error == nullptr) continue;
    ZError copy(*error);
    copy.Report(nullptr, ZString());
  }

  WriteDebugOutput("interface: exch_clear_log_objects\n");
  auto clear = Entry<ExchClearLogObjectsFn>(kExchClearLogObjects);
  if (clear != nullptr) CallIntoModule("exch_clear_log_objects", [&] { return clear(context); });
  return 1;
}

}  // namespace lumenrt
