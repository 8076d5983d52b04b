// The number the configuration lookups read from the start of a text (lumenrt/config/lookups.h).
#pragma once

#include <cstdint>

namespace lumenrt {

// The leading decimal value of text as cfg_get_number reads it, saturating at the 32-bit limits.
std::int32_t LeadingNumber(const char* text);

}  // namespace lumenrt
