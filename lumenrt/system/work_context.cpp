#include "lumenrt/system/work_context.h"

#include "lumenrt/system/remove_tree.h"

WorkContext::WorkContext() = default;

WorkContext::~WorkContext() {
  for (ZObject*& slot : slots) {
    delete slot;
    slot = nullptr;
  }
  if (removeWorkingDirectory != 0 && !workingDirectory.IsEmpty()) RemoveTree(workingDirectory.c_str(), 0);
}
