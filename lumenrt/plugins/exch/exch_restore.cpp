#include "lumenrt/plugins/exch/exch_restore.h"

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/exch/internal/exch_forwarders.h"
#include "lumenrt/plugins/internal/config_keys.h"

std::int32_t ExchRestoreImpl::applyOptions(JobSettings* /*job*/) {
  ZString location;
  if (cfg_get_string(lumenrt::kExchLogAltLocationKey, location) > 0 && !location.IsEmpty() &&
      location[location.Length() - 1] == '\\') {
    location = location.Head(location.Length() - 1);
  }
  std::int32_t rollForward = cfg_get_bool(lumenrt::kExchRollForwardKey, 1);
  std::int32_t hardRecovery = cfg_get_bool(lumenrt::kExchHardRecoveryKey, 1);
  ZString server;
  cfg_get_string(lumenrt::kExchRestoreServerKey, server);

  lumenrt::ForwardExchSetRestoreOptions(rollForward, hardRecovery, location.c_str(), server.c_str());
  return 1;
}
