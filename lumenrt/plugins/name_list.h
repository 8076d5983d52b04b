// NameList: a list of texts that a plug-in hands to the agent and takes back with
// IBackup::releaseNameList.
//
// The record is allocated with `new`; `names` and each text with the C heap (`malloc`), and all are
// released that way: each of the `count` texts, then the array, then the record. A count of 0 or
// less frees no text.
#pragma once

#include <cstdint>

struct NameList {
  char** names;
  std::int32_t count;
};
