#include "lumenrt/core/facility_table.h"

#include "lumenrt/core/internal/plugin_facility.h"

namespace lumenrt {

const char kFacilityTable[kFacilityCount][kFacilityRowSize] = {
    "NONE", "AGNT", "OPSY", "AGNT", "DAEM", "MIGR", "UPDT", "SSIN", "SSOT", "GENC",  //  0- 9
    "COPY", "BKUP", "REST", "MERG", "LIST", "DEVC", "BFFR", "SIDF", "DELT", "NDIR",  // 10-19
    "NCFG", "CLNT", "SRVC", "CXXX", "SXXX", "RPCE", "CMPR", "CRCK", "DATE", "HEDR",  // 20-29
    "CTLG", "ZIMA", "DISK", "TAPE", "SOCK", "ACCT", "SYNC", "ENCR", "BILL", "LOGS",  // 30-39
    "FNAM", "ZACS", "SSET", "SYST", "LIBR", "PARS", "VRFY", "PURG", "COMP", "RSYN",  // 40-49
    "RGST", "NDSV", "BIND", "QMGR", "POOL", "BSTR", "PMGR", "PIDX", "PFLL", "ALYZ",  // 50-59
    "UTIL", "PROG", "SMGR", "ROBL", "DBUT", "PIPE", "PMGR", "ROBA", "SCSI", "ROBT",  // 60-69
    "ACNT", "ACSM", "SCRB", "LIBN", "SERG", "ZSTR", "JMGR", "CONV", "FLM ", "BRTP",  // 70-79
    "HTML", "INDX", "SS  ", "SCAN", "ZSMP", "RENM", "PLGN", "EXDB", "EXMA", "    ",  // 80-89
    "GCFG", "MGMT", "RSM ",                                                          // 90-92
};

const char kGlobalMessageTable[kGlobalMessageCount][kGlobalMessageRowSize] = {
    "MESSAGERR, unknown global message code /%d/",
    "NOHOSTENT, hostname /%s/ not found in network configuration file /%s/",
    "NOSERVENT, service /%s/ not found in network configuration file /%s/",
    "NORPCNAM, rpc program name /%s/ not found in network configuration file /%s/",
    "NORPCNUM, rpc program # /%d/ not found in network configuration file /%s/",
    "ATTRONLY, no changes in file %s",
    "MAXERRORS, total errors exceeded limit of %d",
    "NOLIBS, no valid libraries found for batch /%s/",
};

const char* FacilityCode(int facility) {
  if (facility >= 0 && facility < kFacilityCount) return kFacilityTable[facility];
  if (facility > 200) {
    const char* code = PluginFacilityCode(facility);
    if (code != nullptr) return code;
  }
  return kUnknownFacilityCode;
}

}  // namespace lumenrt
