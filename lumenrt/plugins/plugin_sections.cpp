#include "lumenrt/plugins/internal/plugin_sections.h"

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace lumenrt {

int FindMapiPluginSection() {
  const char* wanted = kModuleTypeNames[EXCHMAPI];
  int found = -1;
  for (int n = 0; n < kPluginSectionCount; ++n) {
    ZString code;
    if (cfg_get_string(kPluginCodeKey + n, code) > 0 && code == wanted) {
      if (found != -1) {
        throw Plugins::PluginException("ambiguous ExchangeMAPI plug-ins sections detected in Global.qxc file",
                                       1);
      }
      found = n;
    }
  }
  if (found == -1)
    throw Plugins::PluginException("ExchangeMAPI plug-in section is missing in Global.qxc file", 1);
  return found;
}

}  // namespace lumenrt
