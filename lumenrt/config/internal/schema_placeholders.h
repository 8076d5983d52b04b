// The placeholders of an indexed key's row of the configuration schema (lumenrt/config/schema.h).
#pragma once

#include "lumenrt/config/schema.h"

namespace lumenrt {

// Number of placeholder digits in the row's key (0 to 3) and the position of the first one.
int PlaceholderWidth(const SchemaEntry& row, int* position = nullptr);

}  // namespace lumenrt
