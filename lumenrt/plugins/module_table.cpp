#include "lumenrt/plugins/module_table.h"

#include "lumenrt/plugins/internal/module_facility.h"

namespace lumenrt {

// Frozen: the module table is part of what the agent's configuration files and messages name.
const char* const kModuleFiles[kModuleTableRows] = {
    "QXExch.dll", "QXExchMapi.dll", "QXSqlServer.dll", "qxoracle.so", "QXOracleWin.dll", "",
};
const char* const kModuleFacilityCodes[kModuleTableRows] = {"EXDB", "EXMA", "MSQL", "ORCL", "ORCL", ""};
const char* const kModuleCodes[kModuleTableRows] = {"EXDB", "EXMA", "SQLS", "ORAC", "ORAC", ""};
const std::int32_t kModuleIds[kModuleTableRows] = {200, 201, 202, 203, 204, 0};
const char* const kModuleTypeNames[kModuleTableRows] = {
    "EXCH", "EXCHMAPI", "SQLSERVER_70", "ORACLE_8I_SOLARIS", "ORACLE_WIN32", "",
};
const char* const kExchTypeConstant = "EXCH";

const char* ModuleFacilityCode(std::int32_t moduleId) {
  if (moduleId < kFirstModuleId || moduleId >= kFirstModuleId + kModuleTableRows) return nullptr;
  return kModuleFacilityCodes[moduleId - kFirstModuleId];
}

}  // namespace lumenrt
