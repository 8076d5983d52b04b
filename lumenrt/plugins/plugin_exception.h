// Plugins::PluginException: the error that plug-in operations raise, thrown and caught by value.
//
// It holds a code (every exception this library raises carries 1) and a message of at most 255
// characters in a 256-byte buffer that is always NUL-terminated: a longer text is cut to its first
// 255 characters, a null text gives an empty message. Copying copies the code and all 256 bytes. Its
// only virtual operation is the destructor.
//
// Thread safety: a value belongs to the thread that holds it.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

namespace Plugins {

class LUMENRT_EXPORT PluginException {
 public:
  static constexpr int kMessageSize = 256;

  PluginException(const char* text, std::int32_t code);
  PluginException(const PluginException& other);
  PluginException& operator=(const PluginException& other);
  virtual ~PluginException();

  std::int32_t code;
  char message[kMessageSize];
};

}  // namespace Plugins

namespace lumenrt {
// The code of every PluginException the library raises.
inline constexpr std::int32_t kPluginErrorCode = 1;
}  // namespace lumenrt
