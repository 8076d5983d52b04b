#include "lumenrt/core/version.h"

#define LUMENRT_TEXT(x) #x
#define LUMENRT_VERSION_TEXT(major, minor, patch) \
  LUMENRT_TEXT(major) "." LUMENRT_TEXT(minor) "." LUMENRT_TEXT(patch)

namespace lumenrt {

const char* Version() {
  return LUMENRT_VERSION_TEXT(LUMENRT_VERSION_MAJOR, LUMENRT_VERSION_MINOR, LUMENRT_VERSION_PATCH);
}

}  // namespace lumenrt
