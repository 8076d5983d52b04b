// ExchSelectionListImpl: the Exchange database adapter's selection list (selection_list_adapter.h).
//
// Keys: token type 0 Backup.EXCH_Include (1031), 1 Restore.EXCH_Include (2026). Entries have source
// 0. A non-empty list ends with a closing entry (include flag 0) whose name is that of an empty file
// name given the device part "$EXCH$" and the file part "END" (ZFileName::SetPart).
#pragma once

#include "lumenrt/plugins/selection_list_adapter.h"

class LUMENRT_EXPORT ExchSelectionListImpl : public lumenrt::SelectionListAdapter {
 public:
  ExchSelectionListImpl();

 protected:
  SelectionEntry ClosingEntry() const override;
};
