// OtmStatusText: the texts of the status codes of OTM (Open Transaction Management, the driver that
// keeps a consistent view of a volume while its files are in use), frozen data.
//
// 39 rows in a fixed order, then the closing row {0xFFFFFFFF, "Undefined OTM error code"}. Codes
// follow the Windows status-code layout: the two top bits give the severity (01 information,
// 10 warning, 11 error) and bit 29 marks a code defined outside the operating system.
//
// Reading: OtmStatusMessage searches the rows in order; the closing row ends the search and its text
// stands for every code that has no row of its own (0xFFFFFFFF itself included).
//
// Thread safety: read-only data; any thread.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

struct OtmStatusRow {
  std::uint32_t code;
  const char* text;
};

inline constexpr int kOtmStatusRows = 40;  // the closing row included
inline constexpr std::uint32_t kOtmClosingCode = 0xFFFFFFFFu;

LUMENRT_EXPORT extern const OtmStatusRow OtmStatusText[kOtmStatusRows];

namespace lumenrt {

// The text of an OTM status code; never null.
LUMENRT_EXPORT const char* OtmStatusMessage(std::uint32_t code);

}  // namespace lumenrt
