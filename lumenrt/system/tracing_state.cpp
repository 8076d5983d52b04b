// The tracing state, its address cache and RaiseFormatted.
#include "lumenrt/system/tracing_state.h"

#include <cstdarg>
#include <cstdio>

namespace lumenrt {

TracingState& Tracing() {
  static TracingState state;
  return state;
}

void ReleaseTraceAddressCache() {
  for (addrinfo*& slot : Tracing().addressCache) {
    if (slot == nullptr) continue;
    ReleaseAddressInfo(slot);
    slot = nullptr;
  }
}

}  // namespace lumenrt

void RaiseFormatted(const char* format, ...) {
  char text[256];
  text[0] = '\0';
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
  }
  lumenrt::ReleaseTraceAddressCache();
  throw GenericError(text, lumenrt::kGenericErrorCode);
}
