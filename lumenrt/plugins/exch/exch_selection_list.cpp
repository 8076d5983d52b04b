#include "lumenrt/plugins/exch/exch_selection_list.h"

#include <cstring>

#include "lumenrt/core/zfilename.h"
#include "lumenrt/plugins/internal/config_keys.h"

namespace {

constexpr int kWholeDevicePart = 12;
constexpr int kWholeFilePart = 14;

constexpr lumenrt::SelectionListTraits kExchTraits{"ExchSelectionListImpl", lumenrt::kExchIncludeBackupKey,
                                                   lumenrt::kExchIncludeRestoreKey,
                                                   lumenrt::kSelectionSourceExchange, true};

}  // namespace

ExchSelectionListImpl::ExchSelectionListImpl() : SelectionListAdapter(kExchTraits) {}

SelectionEntry ExchSelectionListImpl::ClosingEntry() const {
  ZFileName name;
  name.SetPart(kWholeDevicePart, "$EXCH$");
  name.SetPart(kWholeFilePart, "END");
  ZString text = name.GetName();

  SelectionEntry entry;
  std::memset(&entry, 0, sizeof entry);
  entry.kind = lumenrt::kSelectionEntryKind;
  entry.source = lumenrt::kSelectionSourceExchange;
  std::memcpy(entry.name, text.c_str(), ::strnlen(text.c_str(), SelectionEntry::kNameSize - 1));
  entry.include = 0;
  return entry;
}
