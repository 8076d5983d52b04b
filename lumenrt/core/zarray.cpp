#include "lumenrt/core/zarray.h"

#include <cstdlib>
#include <cstring>
#include <new>

ZContainer::~ZContainer() = default;

namespace {

ZObject** AllocateSlots(int n) {
  if (n <= 0) return nullptr;
  return static_cast<ZObject**>(std::calloc(static_cast<std::size_t>(n), sizeof(ZObject*)));
}

}  // namespace

ZArray::ZArray(int initialCapacity, int growBy_, int ownsElements_)
    : growBy(growBy_), ownsElements(ownsElements_) {
  if (initialCapacity > 0) {
    elements = AllocateSlots(initialCapacity);
    if (elements != nullptr) capacity = initialCapacity;
  }
}

ZArray::~ZArray() {
  if (ownsElements != 0)
    for (int i = 0; i < count; ++i) delete elements[i];
  std::free(elements);
}

int ZArray::SetCapacity(int n) {
  if (n < count || n < 0) return 0;
  ZObject** fresh = nullptr;
  if (n > 0) {
    fresh = AllocateSlots(n);
    if (fresh == nullptr) return 0;
    if (count > 0) std::memcpy(fresh, elements, static_cast<std::size_t>(count) * sizeof(ZObject*));
  }
  std::free(elements);
  elements = fresh;
  capacity = n;
  return 1;
}

void ZArray::SetGrowBy(int n) { growBy = n; }

void ZArray::RemoveAll(int mode) {
  if (Deletes(mode))
    for (int i = 0; i < count; ++i) delete elements[i];
  std::free(elements);
  elements = nullptr;
  count = 0;
  capacity = 0;
}

ZObject* ZArray::GetAt(int index) const {
  if (index < 0 || index >= count) return nullptr;
  return elements[index];
}

int ZArray::SetAt(ZObject* element, int index, int mode) {
  if (index < 0 || index >= count) return 0;
  ZObject* old = elements[index];
  elements[index] = element;
  if (old != element && Deletes(mode)) delete old;
  return 1;
}

int ZArray::InsertAt(ZObject* element, int index) {
  if (index == -1) index = count;
  if (index < 0 || index > count) return 0;
  if (count >= capacity) {
    if (growBy <= 0 || count > 0x7fffffff - growBy) return 0;
    SetCapacity(count + growBy);
  }
  if (count >= capacity) return 0;
  std::memmove(elements + index + 1, elements + index,
               static_cast<std::size_t>(count - index) * sizeof(ZObject*));
  elements[index] = element;
  ++count;
  return 1;
}

ZObject* ZArray::RemoveAt(int index, int mode) {
  if (index == -1) index = count - 1;
  if (index < 0 || index >= count) return nullptr;
  ZObject* element = elements[index];
  ZObject* result = element;
  if (Deletes(mode)) {
    delete element;
    result = nullptr;
  }
  --count;
  if (index == count) {
    elements[index] = nullptr;
  } else {
    std::memmove(elements + index, elements + index + 1,
                 static_cast<std::size_t>(count - index) * sizeof(ZObject*));
    elements[count] = nullptr;
  }
  return result;
}

int ZArray::IndexOf(const ZObject* element) const {
  for (int i = 0; i < count; ++i)
    if (elements[i] == element) return i;
  return -1;
}

void ZArray::Sort() {
  if (count <= 0) return;
  std::qsort(elements, static_cast<std::size_t>(count), sizeof(ZObject*), [](const void* a, const void* b) {
    const ZObject* x = *static_cast<ZObject* const*>(a);
    const ZObject* y = *static_cast<ZObject* const*>(b);
    if (x == nullptr || y == nullptr) return (x != nullptr) - (y != nullptr);  // empty slots first
    return x->Compare(*y);
  });
}
