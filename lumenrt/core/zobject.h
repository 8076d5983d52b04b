// ZObject: the root of the library's heap objects.
//
// Containers (ZArray) and error chains (ZError) own ZObject pointers and delete them through the
// virtual destructor. `Compare` gives a three-way order for ZArray::Sort; the root answers 0
// ("equal"), so a class whose objects are to be sorted overrides it.
//
// Thread safety: none of its own; an object is used by one thread at a time.
#pragma once

#include "lumenrt/platform/export.h"

class LUMENRT_EXPORT ZObject {
 public:
  ZObject() = default;
  ZObject(const ZObject&) = default;
  ZObject& operator=(const ZObject&) = default;
  virtual ~ZObject();

  // Negative, zero or positive as this object sorts before, with or after `other`.
  virtual int Compare(const ZObject& other) const;
};
