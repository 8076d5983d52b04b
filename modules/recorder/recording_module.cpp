// The recording module (see recording_module.h).
#include "recording_module.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lumenrt/core/zarray.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/calling_convention.h"

#define REC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Call {
  std::string name;
  std::vector<std::pair<std::string, std::string>> args;
};

std::vector<Call> g_calls;
std::map<std::string, long long> g_results;
bool g_nullAccess = false;
std::string g_queryText;
[[maybe_unused]] unsigned char g_accessAnswer[56];

class GrowingArray : public ZArray {
 public:
  GrowingArray() : ZArray(4, 4, 1) {}
  ZObject* GetAt(int index) const override {
    // Each read of the last element adds one more while growth remains.
    auto* self = const_cast<GrowingArray*>(this);
    if (index == Count() - 1 && self->growth > 0) {
      --self->growth;
      self->InsertAt(new ZError(86, 4099, ("grown " + std::to_string(self->grown++)).c_str()));
    }
    return ZArray::GetAt(index);
  }
  int growth = 0;
  int grown = 0;
};

GrowingArray* g_log = nullptr;

// The list goes before the library that its errors come from is unloaded.
struct LogCleanup {
  ~LogCleanup() {
    delete g_log;
    g_log = nullptr;
  }
} g_logCleanup;

GrowingArray& Log() {
  if (g_log == nullptr) g_log = new GrowingArray();
  return *g_log;
}

struct Recorder {
  explicit Recorder(const char* name) { g_calls.push_back(Call{name, {}}); }
  Recorder& n(const char* name, long long value) {
    g_calls.back().args.emplace_back(name, std::to_string(value));
    return *this;
  }
  Recorder& t(const char* name, const char* text) {
    g_calls.back().args.emplace_back(name, text != nullptr ? std::string(text) : std::string("(null)"));
    return *this;
  }
  Recorder& p(const char* name, const void* address) {
    return n(name, static_cast<long long>(reinterpret_cast<std::intptr_t>(address)));
  }
};

std::int32_t Result(const char* entry, long long fallback = 1) {
  auto it = g_results.find(entry);
  return static_cast<std::int32_t>(it != g_results.end() ? it->second : fallback);
}

}  // namespace

// --- record and answers ---

REC_EXPORT void rec_reset() {
  g_calls.clear();
  g_results.clear();
  g_nullAccess = false;
  g_queryText.clear();
  delete g_log;
  g_log = nullptr;
}
REC_EXPORT int rec_call_count() { return static_cast<int>(g_calls.size()); }
REC_EXPORT const char* rec_call_name(int call) {
  return call >= 0 && call < rec_call_count() ? g_calls[call].name.c_str() : nullptr;
}
REC_EXPORT int rec_arg_count(int call) {
  return call >= 0 && call < rec_call_count() ? static_cast<int>(g_calls[call].args.size()) : -1;
}
REC_EXPORT const char* rec_arg_name(int call, int arg) {
  if (arg < 0 || arg >= rec_arg_count(call)) return nullptr;
  return g_calls[call].args[arg].first.c_str();
}
REC_EXPORT const char* rec_arg_value(int call, int arg) {
  if (arg < 0 || arg >= rec_arg_count(call)) return nullptr;
  return g_calls[call].args[arg].second.c_str();
}
REC_EXPORT void rec_set_result(const char* entry, long long value) { g_results[entry] = value; }
REC_EXPORT void rec_set_null_access(int on) { g_nullAccess = on != 0; }
REC_EXPORT void rec_set_query_text(const char* text) { g_queryText = text != nullptr ? text : ""; }
REC_EXPORT void rec_add_log_error(int facility, int code, const char* text) {
  Log().InsertAt(new ZError(facility, code, text));
}
REC_EXPORT void rec_set_log_growth(int count) { Log().growth = count; }

// --- the Exchange database module's entry points ---
#ifdef RECORD_EXCH

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_dispatch(std::int32_t request, std::intptr_t a, std::intptr_t b,
                                                      std::intptr_t c, std::intptr_t d, std::intptr_t e) {
  Recorder("exch_dispatch").n("request", request).n("a", a).n("b", b).n("c", c).n("d", d).n("e", e);
  if (request == 2 && b != 0) std::strcpy(reinterpret_cast<char*>(b), g_queryText.c_str());
  return Result("exch_dispatch");
}

#ifndef LEAVE_OUT_SOME
REC_EXPORT std::int32_t LUMENRT_STDCALL exch_raw_dsk_error(std::int32_t handle) {
  Recorder("exch_raw_dsk_error").n("handle", handle);
  return Result("exch_raw_dsk_error");
}
#endif

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_raw_sidf_search(std::int32_t zero, std::int32_t handle,
                                                             std::intptr_t value1, std::intptr_t value2,
                                                             void* record) {
  Recorder("exch_raw_sidf_search")
      .n("zero", zero)
      .n("handle", handle)
      .n("value1", value1)
      .n("value2", value2)
      .p("record", record);
  return Result("exch_raw_sidf_search", 0);
}

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_raw_bck_access(std::int32_t handle, std::int32_t zero,
                                                            std::intptr_t* cell, std::intptr_t value1,
                                                            std::intptr_t value2) {
  Recorder("exch_raw_bck_access")
      .n("handle", handle)
      .n("zero", zero)
      .n("cell", cell != nullptr ? *cell : -1)
      .n("value1", value1)
      .n("value2", value2);
  for (int i = 0; i < 56; ++i) g_accessAnswer[i] = static_cast<unsigned char>(0x41 + i);
  if (cell != nullptr) *cell = g_nullAccess ? 0 : reinterpret_cast<std::intptr_t>(g_accessAnswer);
  return Result("exch_raw_bck_access");
}

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_raw_bck_opensubstream(std::int32_t handle, std::intptr_t value) {
  Recorder("exch_raw_bck_opensubstream").n("handle", handle).n("value", value);
  return Result("exch_raw_bck_opensubstream");
}

#ifndef LEAVE_OUT_SOME
REC_EXPORT std::int32_t LUMENRT_STDCALL exch_raw_bck_read(std::int32_t handle, std::intptr_t a,
                                                          std::intptr_t b, std::intptr_t c, std::intptr_t d) {
  Recorder("exch_raw_bck_read").n("handle", handle).n("a", a).n("b", b).n("c", c).n("d", d);
  return Result("exch_raw_bck_read");
}
#endif

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_set_backup_options(std::int32_t backupType,
                                                                std::int32_t deleteLogs,
                                                                const char* serverName) {
  Recorder("exch_set_backup_options")
      .n("backup_type", backupType)
      .n("delete_logs", deleteLogs)
      .t("server_name", serverName);
  return Result("exch_set_backup_options");
}

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_set_restore_options(std::int32_t rollForward,
                                                                 std::int32_t hardRecovery,
                                                                 const char* logLocation,
                                                                 const char* serverName) {
  Recorder("exch_set_restore_options")
      .n("roll_forward", rollForward)
      .n("hard_recovery", hardRecovery)
      .t("log_location", logLocation)
      .t("server_name", serverName);
  return Result("exch_set_restore_options");
}

REC_EXPORT std::int32_t LUMENRT_STDCALL exch_get_log_objects(std::intptr_t context, ZArray** list) {
  Recorder("exch_get_log_objects").n("context", context);
  if (list != nullptr) *list = g_log;
  return Result("exch_get_log_objects");
}

#ifndef LEAVE_OUT_SOME
REC_EXPORT std::int32_t LUMENRT_STDCALL exch_clear_log_objects(std::intptr_t context) {
  Recorder("exch_clear_log_objects").n("context", context);
  if (g_log != nullptr) g_log->RemoveAll(0);
  return Result("exch_clear_log_objects");
}
#endif

#define REC_FILLER(name)           \
  REC_EXPORT std::int32_t name() { \
    Recorder(#name);               \
    return Result(#name);          \
  }
REC_FILLER(exch_entry_0)
REC_FILLER(exch_entry_2)
REC_FILLER(exch_entry_10)
REC_FILLER(exch_entry_11)
REC_FILLER(exch_entry_12)
REC_FILLER(exch_entry_13)
REC_FILLER(exch_entry_14)
REC_FILLER(exch_entry_15)
REC_FILLER(exch_entry_16)
REC_FILLER(exch_entry_17)
REC_FILLER(exch_entry_20)
#undef REC_FILLER

#endif  // RECORD_EXCH

// --- the mailbox module's entry points ---
#ifdef RECORD_MAPI

REC_EXPORT std::int32_t LUMENRT_STDCALL mapi_set_backup_options(
    const char* serverName, const char* profile, std::int32_t mode, std::int32_t exclMbxOutbox,
    std::int32_t exclMbxSentmail, std::int32_t exclMbxWastebasket, std::int32_t exclMbxAttachments,
    std::int32_t exclMbxCalendar, std::int32_t exclMbxNote, std::int32_t exclMbxTasks,
    std::int32_t exclMbxJournal, std::int32_t exclMbxContact, std::int32_t exclPfolderCalendar,
    std::int32_t exclPfolderNote, std::int32_t exclPfolderTasks, std::int32_t exclPfolderAttachments,
    std::int32_t exclPfolderJournal, std::int32_t exclPfolderContact, std::int32_t getPropRetry) {
  Recorder("mapi_set_backup_options")
      .t("server_name", serverName)
      .t("profile", profile)
      .n("mode", mode)
      .n("excl_mbx_outbox", exclMbxOutbox)
      .n("excl_mbx_sentmail", exclMbxSentmail)
      .n("excl_mbx_wastebasket", exclMbxWastebasket)
      .n("excl_mbx_attachments", exclMbxAttachments)
      .n("excl_mbx_calendar", exclMbxCalendar)
      .n("excl_mbx_note", exclMbxNote)
      .n("excl_mbx_tasks", exclMbxTasks)
      .n("excl_mbx_journal", exclMbxJournal)
      .n("excl_mbx_contact", exclMbxContact)
      .n("excl_pfolder_calendar", exclPfolderCalendar)
      .n("excl_pfolder_note", exclPfolderNote)
      .n("excl_pfolder_tasks", exclPfolderTasks)
      .n("excl_pfolder_attachments", exclPfolderAttachments)
      .n("excl_pfolder_journal", exclPfolderJournal)
      .n("excl_pfolder_contact", exclPfolderContact)
      .n("get_prop_retry", getPropRetry);
  return Result("mapi_set_backup_options");
}

REC_EXPORT std::int32_t LUMENRT_STDCALL mapi_set_restore_options(
    const char* serverName, const char* profile, std::int32_t mode, std::int32_t exclMbxOutbox,
    std::int32_t exclMbxSentmail, std::int32_t exclMbxWastebasket, std::int32_t exclMbxAttachments,
    std::int32_t exclPfolderCalendar, std::int32_t exclPfolderNote, std::int32_t exclPfolderTasks,
    std::int32_t exclPfolderAttachments, const char* restoreFolder, std::int32_t restoreTo,
    std::int32_t resolve) {
  Recorder("mapi_set_restore_options")
      .t("server_name", serverName)
      .t("profile", profile)
      .n("mode", mode)
      .n("excl_mbx_outbox", exclMbxOutbox)
      .n("excl_mbx_sentmail", exclMbxSentmail)
      .n("excl_mbx_wastebasket", exclMbxWastebasket)
      .n("excl_mbx_attachments", exclMbxAttachments)
      .n("excl_pfolder_calendar", exclPfolderCalendar)
      .n("excl_pfolder_note", exclPfolderNote)
      .n("excl_pfolder_tasks", exclPfolderTasks)
      .n("excl_pfolder_attachments", exclPfolderAttachments)
      .t("restore_folder", restoreFolder)
      .n("restore_to", restoreTo)
      .n("resolve", resolve);
  return Result("mapi_set_restore_options");
}

#define REC_FILLER(name)           \
  REC_EXPORT std::int32_t name() { \
    Recorder(#name);               \
    return Result(#name);          \
  }
REC_FILLER(mapi_entry_0)
REC_FILLER(mapi_dispatch)
REC_FILLER(mapi_entry_2)
REC_FILLER(mapi_raw_dsk_error)
REC_FILLER(mapi_raw_sidf_search)
REC_FILLER(mapi_raw_bck_access)
REC_FILLER(mapi_raw_bck_opensubstream)
REC_FILLER(mapi_raw_bck_read)
REC_FILLER(mapi_entry_10)
REC_FILLER(mapi_entry_11)
REC_FILLER(mapi_entry_12)
REC_FILLER(mapi_entry_13)
REC_FILLER(mapi_entry_14)
REC_FILLER(mapi_entry_15)
REC_FILLER(mapi_entry_16)
REC_FILLER(mapi_entry_17)
REC_FILLER(mapi_get_log_objects)
REC_FILLER(mapi_clear_log_objects)
REC_FILLER(mapi_entry_20)
#undef REC_FILLER

#endif  // RECORD_MAPI
