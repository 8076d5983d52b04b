// ZContainer and ZArray: the library's growable array of ZObject pointers.
//
// An array built with (initialCapacity, growBy, ownsElements) holds `count` elements in slots 0 to
// count-1. When an insertion finds it full it grows to exactly count + growBy slots; with growBy 0
// it refuses instead. Operations that drop an element take a removal mode: 0 deletes it, 1 leaves it
// to the caller, any other value deletes it when the array owns its elements. Empty slots are
// skipped when deleting.
//
// Failure: exhausted memory is answered with return values only (SetCapacity and InsertAt return 0
// and leave the array as it was; the constructor leaves capacity 0). SetAt and RemoveAt REQUIRE a
// valid index (0 to count-1, or -1 for RemoveAt on a non-empty array); out-of-range indexes are
// refused without touching memory. GetAt answers null outside the range.
//
// Thread safety: none; an array is used by one thread at a time.
#pragma once

#include <cstdint>

#include "lumenrt/core/zobject.h"
#include "lumenrt/platform/export.h"

class LUMENRT_EXPORT ZContainer : public ZObject {
 public:
  ~ZContainer() override = 0;
};

class LUMENRT_EXPORT ZArray : public ZContainer {
 public:
  ZArray(int initialCapacity, int growBy, int ownsElements);
  ZArray(const ZArray&) = delete;
  ZArray& operator=(const ZArray&) = delete;
  ~ZArray() override;

  // 1 on success; 0 if n < count or the allocation fails (array unchanged).
  virtual int SetCapacity(int n);
  virtual void SetGrowBy(int growBy);
  // Drops every element by `mode`, frees the slots; count and capacity become 0.
  virtual void RemoveAll(int mode);
  virtual ZObject* GetAt(int index) const;
  // Drops the element in the slot by `mode`, then stores `element`. 1, or 0 for a bad index.
  virtual int SetAt(ZObject* element, int index, int mode);
  // index -1 appends. 1 on success, 0 when the array is full and cannot grow (or a bad index).
  virtual int InsertAt(ZObject* element, int index = -1);
  // index -1 is the last element. The removed element when the mode keeps it, else null.
  virtual ZObject* RemoveAt(int index, int mode);
  virtual int IndexOf(const ZObject* element) const;
  // Orders elements by ZObject::Compare; equal elements keep no defined order.
  virtual void Sort();

  int Count() const { return count; }
  int Capacity() const { return capacity; }
  int GrowBy() const { return growBy; }
  bool OwnsElements() const { return ownsElements != 0; }

 private:
  bool Deletes(int mode) const { return mode == 0 || (mode != 1 && ownsElements != 0); }

  std::int32_t count = 0;
  std::int32_t capacity = 0;
  std::int32_t growBy;
  std::int32_t ownsElements;
  ZObject** elements = nullptr;
};
