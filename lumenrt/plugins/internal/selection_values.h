// Reading a selection-list key's value through the configuration service and splitting it into the
// names of its entries, as the selection-list adapter (lumenrt/plugins/selection_list_adapter.h) does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lumenrt/plugins/selection_list_adapter.h"

namespace lumenrt {

// Reads key's whole value through service: first with a buffer of kSelectionValueBuffer bytes, then
// again at the size the service reports while that is larger. The text ends at the first zero byte
// or at the end of the buffer, whichever comes first.
std::string ReadServiceValue(ICfgService& service, std::int32_t key);

// Splits a list value into the names of its entries as selection_list_adapter.h describes (unescaped, cut
// to 259 characters; no closing entry). Allocates the value's size and 4 bytes a name, once each.
SelectionNames ParseSelectionValue(std::string_view value);

}  // namespace lumenrt
