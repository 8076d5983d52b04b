// What both mailbox applyOptions read from the module's plug-in section of Global.qxc and write
// into the job record: the MAPI profile and the account, domain and password.
//
// ReadMapiSectionTexts reads, from plug-in section n (found by FindMapiPluginSection), Plugin%.Profile,
// Plugin%.Account, Plugin%.Domain (texts, empty when absent) and Plugin%.Password (decoded), each at its full
// length. An account, domain or password longer than 512 characters does not fit its field of the job record:
// PluginException (code 1) "<className>.applyOptions: the value of <key name> is longer than 512
// characters.", raised before anything is written. WriteMapiJobTexts then copies the three into the job
// record.
//
// Threads: uses the process-wide lookup state; one thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/core/zstring.h"
#include "lumenrt/plugins/job_settings.h"

namespace lumenrt {

struct MapiSectionTexts {
  ZString profile;
  ZString account;
  ZString domain;
  ZString password;
};

MapiSectionTexts ReadMapiSectionTexts(int section, const char* className);
void WriteMapiJobTexts(const MapiSectionTexts& texts, JobSettings& job);

// 1, or 0 when bit 0 or bit 1 of the job's flags byte is set.
std::int32_t MapiModeFlag(const JobSettings& job);

// Raises PluginException (code 1) "<className>.applyOptions: no JobSettings record." for a null job.
void RequireJob(const JobSettings* job, const char* className);

}  // namespace lumenrt
