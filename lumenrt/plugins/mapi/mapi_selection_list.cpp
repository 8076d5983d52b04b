#include "lumenrt/plugins/mapi/mapi_selection_list.h"

#include "lumenrt/plugins/internal/config_keys.h"

namespace {

constexpr lumenrt::SelectionListTraits kMapiTraits{"MapiSelectionListImpl", lumenrt::kMapiIncludeBackupKey,
                                                   lumenrt::kMapiIncludeRestoreKey,
                                                   lumenrt::kSelectionSourceMailbox, false};

}  // namespace

MapiSelectionListImpl::MapiSelectionListImpl() : SelectionListAdapter(kMapiTraits) {}
