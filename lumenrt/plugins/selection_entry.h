// SelectionEntry: one entry handed out by a selection list (ISelectionList::next), 272 bytes.
//
// kind is always 3; source 0 for Exchange database entries, 1 for mailbox entries; name is
// NUL-terminated, at most 259 characters; include is 1 for listed entries and 0 for a list's closing
// entry. The last three bytes are padding that the library never writes. Plain data; the caller
// owns the buffer, which must hold all 272 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct SelectionEntry {
  static constexpr int kNameSize = 260;

  std::int32_t kind;
  std::int32_t source;
  char name[kNameSize];
  std::uint8_t include;
  std::uint8_t unused[3];
};

static_assert(offsetof(SelectionEntry, kind) == 0);
static_assert(offsetof(SelectionEntry, source) == 4);
static_assert(offsetof(SelectionEntry, name) == 8);
static_assert(offsetof(SelectionEntry, include) == 268);
static_assert(offsetof(SelectionEntry, unused) == 269);
static_assert(sizeof(SelectionEntry) == 272);

namespace lumenrt {
inline constexpr std::int32_t kSelectionEntryKind = 3;
inline constexpr std::int32_t kSelectionSourceExchange = 0;
inline constexpr std::int32_t kSelectionSourceMailbox = 1;
}  // namespace lumenrt
