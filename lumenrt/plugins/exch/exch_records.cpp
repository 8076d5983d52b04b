#include "lumenrt/plugins/exch/exch_records.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "lumenrt/core/internal/exit_actions.h"
#include "lumenrt/plugins/exch/internal/exch_shared_records.h"

namespace lumenrt {
namespace {

SidfObjectRecord* g_sidfRecord = nullptr;
RawAccessRecord g_rawAccess;
bool g_rawAccessReady = false;

void DestroyWorkArea() {
  if (g_sidfRecord != nullptr) {
    std::free(g_sidfRecord->entries);
    delete g_sidfRecord;
    g_sidfRecord = nullptr;
  }
  NoteExit("Exchange backup work area");
}

}  // namespace

SidfObjectRecord* ExchSidfRecord() {
  if (g_sidfRecord == nullptr) {
    auto* record = new SidfObjectRecord{};
    try {
      AddExitAction(&DestroyWorkArea);
    } catch (...) {
      delete record;
      throw;
    }
    g_sidfRecord = record;
  }
  return g_sidfRecord;
}

void ResetSidfObjectRecord(SidfObjectRecord& record) {
  record.value0 = 0;
  record.value4 = 0;
  record.value8 = 0;
  record.value16 = 0;
  record.flag24 = 0;
  record.flag25 = 0;
  record.flag26 = 0;
  std::memset(record.block27, 0, sizeof record.block27);
  record.flag91 = 0;
  std::memset(record.block108, 0, sizeof record.block108);
  record.value704 = 0;
  record.value708 = 0;
  record.value716 = 0;

  record.entryCount = 0;
  if (record.entries == nullptr || record.entryCapacity < 1) {
    void* storage = std::realloc(record.entries, sizeof(SidfEntry));
    if (storage == nullptr) throw std::bad_alloc();
    record.entries = static_cast<SidfEntry*>(storage);
    record.entryCapacity = 1;
  }
  std::memset(&record.entries[0], 0, sizeof(SidfEntry));
  record.entryCount = 1;
}

RawAccessRecord* ExchRawAccessRecord() {
  if (!g_rawAccessReady) {
    g_rawAccess.size = kRawAccessRecordTag;
    g_rawAccess.state = 2;
    std::memset(g_rawAccess.data, 0, sizeof g_rawAccess.data);
    g_rawAccessReady = true;
  }
  return &g_rawAccess;
}

}  // namespace lumenrt
