// The plug-in sections of the global configuration file (Global.qxc) and the search for the mailbox
// module's own section.
//
// Global.qxc holds up to five plug-in sections, numbered 0 to 4. Each key of section n has the id
// of its section-0 key plus n. The search reads Plugin%.Code of sections 0 to 4 in order through the
// installed configuration sources (cfg_get_string) and compares a found value byte for byte with
// the mailbox module's type name "EXCHMAPI" (case counts: "exchmapi" is another name).
//
// Failure: a second matching section raises Plugins::PluginException (code 1) "ambiguous
// ExchangeMAPI plug-ins sections detected in Global.qxc file" at once, without reading the sections
// after it; no matching section raises code 1 "ExchangeMAPI plug-in section is missing in Global.qxc
// file". Configuration lookups themselves raise nothing.
// Threads: uses the process-wide lookup state (CurrentKeyName, CurrentKeyValue); one at a time.
#pragma once

#include <cstdint>

namespace lumenrt {

inline constexpr int kPluginSectionCount = 5;

// Key ids of section 0; section n uses id + n.
inline constexpr std::int32_t kPluginCodeKey = 13110;          // text: the module's type name
inline constexpr std::int32_t kPluginAccountKey = 13140;       // text
inline constexpr std::int32_t kPluginPasswordKey = 13150;      // password
inline constexpr std::int32_t kPluginDomainKey = 13160;        // text
inline constexpr std::int32_t kPluginProfileKey = 13170;       // text: MAPI profile name
inline constexpr std::int32_t kPluginGetPropRetryKey = 13190;  // number, -1 when absent

// The number (0 to 4) of the one section whose Plugin%.Code is "EXCHMAPI"; raises as above.
int FindMapiPluginSection();

}  // namespace lumenrt
