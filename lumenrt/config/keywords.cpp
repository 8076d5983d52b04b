#include "lumenrt/config/keywords.h"

#include <cstring>

#include "lumenrt/config/internal/keyword_lookup.h"

namespace lumenrt {

const CommandKeyword* FindCommandKeyword(const char* keyword) {
  if (keyword == nullptr) return nullptr;
  for (const CommandKeyword* row = CommandKeywords; row->id != -1; ++row) {
    if (std::strcmp(row->keyword, keyword) == 0) return row;
  }
  return nullptr;
}

const SwitchKeyword* FindSwitchKeyword(int commandId, const char* keyword) {
  if (keyword == nullptr) return nullptr;
  for (const SwitchKeyword* row = SwitchKeywords; row->commandId != -1; ++row) {
    if (row->commandId == commandId && std::strcmp(row->keyword, keyword) == 0) return row;
  }
  return nullptr;
}

}  // namespace lumenrt
