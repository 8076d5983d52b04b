// MapiSelectionListImpl: the mailbox adapter's selection list (selection_list_adapter.h).
//
// Keys: token type 0 Backup.EXCHMAPI_Include (1039), 1 Restore.EXCHMAPI_Include (2031). Entries have
// source 1; no closing entry is appended.
#pragma once

#include "lumenrt/plugins/selection_list_adapter.h"

class LUMENRT_EXPORT MapiSelectionListImpl : public lumenrt::SelectionListAdapter {
 public:
  MapiSelectionListImpl();
};
