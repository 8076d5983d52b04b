// The plug-in module table: the five kinds of application module the library knows, frozen data.
//
// Five rows, indexed by ModuleKind; each column is its own array closed by an empty text (the id
// column by 0), so a reader may walk a column to its end without knowing the count:
//
//   kind  module file         facility  module code  id   type name
//   0     "QXExch.dll"        "EXDB"    "EXDB"       200  "EXCH"
//   1     "QXExchMapi.dll"    "EXMA"    "EXMA"       201  "EXCHMAPI"
//   2     "QXSqlServer.dll"   "MSQL"    "SQLS"       202  "SQLSERVER_70"
//   3     "qxoracle.so"       "ORCL"    "ORAC"       203  "ORACLE_8I_SOLARIS"
//   4     "QXOracleWin.dll"   "ORCL"    "ORAC"       204  "ORACLE_WIN32"
//
// The facility column gives the four-letter code of a module's messages (the message catalogue asks
// for it through the plug-in registry); the type name column is what a plug-in section of the global
// configuration file names in its Plugin%.Code key. kExchTypeConstant is a second "EXCH" that the
// library keeps beside the table and reads nowhere.
//
// Thread safety: read-only data; any thread.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

enum ModuleKind : std::int32_t {
  EXCH = 0,
  EXCHMAPI = 1,
  SQLSERVER_70 = 2,
  ORACLE_8I_SOLARIS = 3,
  ORACLE_WIN32 = 4,
};

namespace lumenrt {

inline constexpr int kModuleKindCount = 5;
// Rows of each column, the closing row included.
inline constexpr int kModuleTableRows = kModuleKindCount + 1;
// Id of row 0; row = id - kFirstModuleId.
inline constexpr std::int32_t kFirstModuleId = 200;

LUMENRT_EXPORT extern const char* const kModuleFiles[kModuleTableRows];
LUMENRT_EXPORT extern const char* const kModuleFacilityCodes[kModuleTableRows];
LUMENRT_EXPORT extern const char* const kModuleCodes[kModuleTableRows];
LUMENRT_EXPORT extern const std::int32_t kModuleIds[kModuleTableRows];
LUMENRT_EXPORT extern const char* const kModuleTypeNames[kModuleTableRows];
LUMENRT_EXPORT extern const char* const kExchTypeConstant;

// True for the kinds that have a row (0 to 4).
constexpr bool IsModuleKind(std::int32_t kind) { return kind >= 0 && kind < kModuleKindCount; }

}  // namespace lumenrt
