#include "lumenrt/core/zobject.h"

ZObject::~ZObject() = default;

int ZObject::Compare(const ZObject&) const { return 0; }
