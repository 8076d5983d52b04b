// The command-line keyword tables of the agent: command words with their ids, and switch words tied
// to a command (or to every command) with the configuration key each sets and the value it implies
// when given without one.
//
// Both tables are constant data, read-only, in a fixed order, each ending at its end row (command
// id -1). Keywords are stored upper case, zero-padded. The library runs no parser over them; the
// helpers below only search them. Any thread may read them; nothing here raises.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

struct LUMENRT_EXPORT CommandKeyword {
  std::int32_t id;    // 0 is never used; -1 ends the table
  char keyword[16];   // zero-padded
  std::int32_t flag;  // 1 for the six commands that carry a code, else 0
  std::int32_t code;  // 0-12 for those commands, else 255
};

struct LUMENRT_EXPORT SwitchKeyword {
  std::int32_t commandId;  // the command it belongs to; 0 = every command; -1 ends the table
  char keyword[16];        // zero-padded
  std::int32_t keyId;      // configuration key the switch sets
  char impliedValue[64];   // zero-padded; empty when the switch implies none
};

// 14 commands, then the end row (id -1, empty keyword, flag 0, code 255).
extern LUMENRT_EXPORT const CommandKeyword CommandKeywords[];
// 99 switches, then the end row (command id -1, all other fields zero).
extern LUMENRT_EXPORT const SwitchKeyword SwitchKeywords[];

namespace lumenrt {

inline constexpr int kCommandKeywordCount = 14;
inline constexpr int kSwitchKeywordCount = 99;

}  // namespace lumenrt
